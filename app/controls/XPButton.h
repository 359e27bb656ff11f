#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

class QShortcut;

namespace quillet {

class PropertyBag;

// The owner-drawn push button of every form: a rounded, one-pixel-bordered face with a
// vertical gradient whose two-pixel rim shows the state, a centred one-line caption with
// its access key underlined, and an optional dotted focus rectangle.
class XPButton : public QWidget {
    Q_OBJECT

public:
    // The looks `DrawState` knows, as stored in `ButtonState`.
    enum State { Disabled = 0, Normal = 1, Focused = 2, Hot = 3, Pressed = 4 };

    // Window messages the hooks deliver to `HookProc`.
    static constexpr unsigned WM_ACTIVATE = 6;
    static constexpr unsigned WM_NCACTIVATE = 134;
    static constexpr unsigned WM_MOUSELEAVE = 675;

    // Host units are twips; a button is never smaller than 100 of them.
    static constexpr int TwipsPerPixel = 15;
    static constexpr int MinimumTwips = 100;
    static constexpr int MinimumPixels = (MinimumTwips + TwipsPerPixel - 1) / TwipsPerPixel;

    static constexpr quint32 DisabledTextColor = 0x0092A1A1; // (161, 161, 146) as 0x00BBGGRR

    explicit XPButton(QWidget* parent = nullptr);
    ~XPButton() override;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    quint32 ForeColor() const { return m_foreColor; } // 0x00BBGGRR
    void SetForeColor(quint32 color);
    QFont Font() const { return m_font; }
    void SetFont(const QFont& font);
    bool FocusRect() const { return m_focusRect; }
    void SetFocusRect(bool focusRect);
    // The native window id. Asking for it makes the button a native window.
    qint32 hWnd();

    // Puts the pointer on the centre of the button.
    void SnapMouseTo();

    // The lower-case access key of a caption, or "" when it has none.
    static QString GetAccessKey(const QString& caption);

    // A new button placed on a form: its caption is the first of "&OK", "&Cancel",
    // "&Apply" that no other button of the form has, else its own object name.
    void InitProperties();
    // Loading a form: read the properties, hook the windows, start drawing.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // The host's ambient "DisplayAsDefault": this is the form's default button.
    void SetDisplayAsDefault(bool showDefault);
    bool DisplayAsDefault() const { return m_showDefault; }

    int ButtonState() const { return m_buttonState; }
    bool DrawingSuspended() const { return m_drawingSuspended; }
    bool HasFocus() const { return m_hasFocus; }
    bool MouseOver() const { return m_mouseOver; }
    bool MousePressed() const { return m_mousePressed; }
    bool ParentActive() const { return m_parentActive; }

    // Draws one of the five looks onto the button's surface.
    void DrawState(int s);
    // What the last drawing left on the surface (one pixel per screen pixel: twice the
    // size on a screen of device pixel ratio 2).
    const QImage& Surface() const { return m_surface; }

    // Receives the hooked messages after the window itself has handled them.
    void HookProc(bool bBefore, bool& bHandled, qintptr& lReturn, quintptr lng_hWnd, unsigned uMsg,
                  quintptr wParam, qintptr lParam);

    // The font a new button starts with and the default it is saved against.
    static QFont DesignFont();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void Click();
    void DblClick();
    void MouseMove(short Button, short Shift, float X, float Y);
    void FormActivate(int State);
    // The host should save the form: a persisted property changed.
    void PropertyChanged(const QString& name);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    // Whether the pointer is over the button, from where an event says it is.
    void notePointerAt(const QPointF& at);
    void DrawStateUnlessAlready(int s);
    void DrawGradient(class QPainter& p, const QRect& r, quint32 top, quint32 bottom);
    void FontChanged();
    void UpdateAccessKey();
    void OnAccessKeyPress();
    void Hook();
    void Unhook();
    void LoadFromOwnValues();

    QString m_caption;
    bool m_enabled = true;
    quint32 m_foreColor = 0;
    QFont m_font;
    bool m_focusRect = true;

    int m_buttonState = Disabled;
    bool m_hasFocus = false;
    bool m_mouseOver = false;
    bool m_mousePressed = false;
    bool m_mouseCaptured = false;
    bool m_keyPressed = false;
    bool m_parentActive = false;
    bool m_showDefault = false;
    bool m_drawingSuspended = true;
    short m_lastButton = 0;

    bool m_leaveRequested = false;
    bool m_hooked = false;
    QPointer<QWidget> m_parentWindow;
    int m_shortcutId = 0;
    QImage m_surface;
};

} // namespace quillet
