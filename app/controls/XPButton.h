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
    void DrawState(int state);
    // What the last drawing left on the surface (one pixel per screen pixel: twice the
    // size on a screen of device pixel ratio 2).
    const QImage& Surface() const { return m_surface; }

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
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Whether the pointer is over the button, from where an event says it is.
    void notePointerAt(const QPointF& at);
    void drawStateUnlessAlready(int state);
    void fontChanged();
    void updateAccessKey();
    void onAccessKeyPress();
    // Follows the activation of the window the button is on (the "hook" of a form).
    void hook();
    void unhook();
    void loadFromOwnValues();
    // The button's window was activated or deactivated, after it handled that itself.
    void parentActivationChanged(bool active);
    // The pointer has left the button.
    void pointerLeft();

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
