#include "XPButton.h"

#include "MapPropertyBag.h"
#include "PropertyBag.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace quillet {

namespace {

constexpr quint32 Rgb(int r, int g, int b) {
    return quint32(r) | (quint32(g) << 8) | (quint32(b) << 16);
}

QColor ToQColor(quint32 c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// What a screen reader and other assistive tools see: a push button named by its caption
// (without the access key's marker), which they can press.
class XPButtonAccessible : public QAccessibleWidget {
public:
    explicit XPButtonAccessible(XPButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        const auto* button = static_cast<const XPButton*>(object());
        switch (kind) {
        case QAccessible::Name: {
            QString name;
            const QString caption = button->Caption();
            for (qsizetype at = 0; at < caption.size(); ++at) {
                if (caption.at(at) == QLatin1Char('&') && at + 1 < caption.size())
                    ++at;
                name += caption.at(at);
            }
            return name;
        }
        case QAccessible::Accelerator: {
            const QString key = XPButton::GetAccessKey(button->Caption());
            return key.isEmpty() ? QString() : QStringLiteral("Alt+") + key.toUpper();
        }
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State now = QAccessibleWidget::state();
        const auto* button = static_cast<const XPButton*>(object());
        now.disabled = !button->Enabled();
        now.pressed = button->ButtonState() == XPButton::Pressed;
        return now;
    }

    QStringList actionNames() const override {
        const auto* button = static_cast<const XPButton*>(object());
        if (!button->Enabled())
            return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        auto* button = static_cast<XPButton*>(object());
        if (name == pressAction() && button->Enabled()) {
            Q_EMIT button->Click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* accessibleButton(const QString& className, QObject* object) {
    if (className == QLatin1String("quillet::XPButton") && object && object->isWidgetType())
        return new XPButtonAccessible(static_cast<XPButton*>(object));
    return nullptr;
}

// The colour table, by state 0..4; zero marks an entry the state does not use.
struct Palette {
    std::array<quint32, 5> border, rimTop, rimBottom, top1, top2, bottom1, bottom2;
    std::array<quint32, 5> corner1, corner2, corner3;
};

constexpr quint32 Blue = Rgb(0, 60, 116);
constexpr Palette Colors{
    {Rgb(201, 199, 186), Blue, Blue, Blue, Blue},
    {0, Rgb(252, 252, 251), Rgb(189, 211, 247), Rgb(225, 223, 156), 0},
    {0, Rgb(236, 235, 230), Rgb(140, 174, 231), Rgb(255, 182, 48), 0},
    {0, Rgb(255, 255, 255), Rgb(206, 231, 255), Rgb(255, 243, 206), 0},
    {0, Rgb(254, 254, 254), Rgb(189, 215, 247), Rgb(255, 219, 140), 0},
    {0, Rgb(226, 223, 214), Rgb(140, 174, 231), Rgb(255, 178, 49), 0},
    {0, Rgb(214, 208, 197), Rgb(107, 130, 239), Rgb(230, 150, 0), 0},
    {Rgb(196, 177, 140), Rgb(33, 85, 132), Rgb(33, 85, 132), Rgb(33, 85, 132), Rgb(33, 85, 132)},
    {Rgb(206, 199, 189), Rgb(123, 150, 173), Rgb(123, 150, 173), Rgb(123, 150, 173),
     Rgb(123, 150, 173)},
    {Rgb(196, 177, 140), Rgb(82, 125, 165), Rgb(82, 125, 165), Rgb(82, 125, 165),
     Rgb(82, 125, 165)},
};

constexpr quint32 FaceTop = Rgb(252, 252, 251);
constexpr quint32 FaceBottom = Rgb(236, 235, 230);
constexpr quint32 PressedFace = Rgb(231, 227, 222);
constexpr quint32 DisabledFace = Rgb(245, 244, 234);

// A one-pixel line from (x1, y1) up to, not including, (x2, y2); the button only
// draws horizontal and vertical ones.
void Line(QPainter& p, int x1, int y1, int x2, int y2, quint32 color) {
    if (y1 == y2 && x2 > x1)
        p.fillRect(QRect(x1, y1, x2 - x1, 1), ToQColor(color));
    else if (x1 == x2 && y2 > y1)
        p.fillRect(QRect(x1, y1, 1, y2 - y1), ToQColor(color));
}

void Pixel(QPainter& p, int x, int y, quint32 color) {
    p.fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

// Rectangles here are given as left, top, right, bottom with right and bottom excluded.
QRect Ltrb(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

short ShiftState(Qt::KeyboardModifiers m) {
    short s = 0;
    if (m & Qt::ShiftModifier)
        s |= 1;
    if (m & Qt::ControlModifier)
        s |= 2;
    if (m & Qt::AltModifier)
        s |= 4;
    return s;
}

template <typename T>
bool Fetch(const PropertyBag& bag, const QString& name, const QVariant& def, T& out) {
    const QVariant v = bag.ReadProperty(name, def);
    if (!v.canConvert<T>())
        return false; // an unreadable value leaves the property as it is
    out = v.value<T>();
    return true;
}

} // namespace

XPButton::XPButton(QWidget* parent) : QWidget(parent) {
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleButton);
        return true;
    }();
    (void)accessible;
    // Created: drawing waits for the properties; the surface font becomes the kept one.
    m_drawingSuspended = true;
    m_font = DesignFont();
    QWidget::setFont(m_font);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

XPButton::~XPButton() {
    Unhook();
}

QFont XPButton::DesignFont() {
    QFont f = QApplication::font();
    f.setFamilies({QStringLiteral("Verdana")});
    return f;
}

void XPButton::SetCaption(const QString& caption) {
    m_caption = caption;
    UpdateAccessKey();
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    DrawState(m_buttonState);
    Q_EMIT PropertyChanged(QStringLiteral("Caption"));
}

void XPButton::SetEnabled(bool enabled) {
    m_enabled = enabled;
    QWidget::setEnabled(enabled);
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent stateChanged(this, changed);
    QAccessible::updateAccessibility(&stateChanged);
    m_drawingSuspended = false;
    if (m_mouseOver && m_enabled)
        DrawState(Hot);
    else if (m_showDefault && m_enabled)
        DrawState(Focused);
    else
        DrawStateUnlessAlready(m_enabled ? Normal : Disabled);
    Q_EMIT PropertyChanged(QStringLiteral("Enabled"));
}

void XPButton::SetForeColor(quint32 color) {
    m_foreColor = color & 0x00FFFFFF;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, ToQColor(m_foreColor));
    setPalette(pal);
    DrawState(m_buttonState);
    Q_EMIT PropertyChanged(QStringLiteral("ForeColor"));
}

void XPButton::SetFont(const QFont& font) {
    m_font = font;
    FontChanged();
}

void XPButton::FontChanged() {
    QWidget::setFont(m_font);
    DrawState(m_buttonState);
    Q_EMIT PropertyChanged(QStringLiteral("Font"));
}

void XPButton::SetFocusRect(bool focusRect) {
    m_focusRect = focusRect;
    if (m_hasFocus)
        DrawState(m_buttonState);
    Q_EMIT PropertyChanged(QStringLiteral("FocusRect"));
}

qint32 XPButton::hWnd() {
    return static_cast<qint32>(winId());
}

void XPButton::SnapMouseTo() {
    // Half the size, rounded as the host rounds (a half to the even neighbour).
    const int x = int(std::nearbyint(width() / 2.0));
    const int y = int(std::nearbyint(height() / 2.0));
    QCursor::setPos(mapToGlobal(QPoint(x, y)));
}

QString XPButton::GetAccessKey(const QString& caption) {
    // Positions are 1-based, as in the rule this follows.
    const qsizetype n = caption.size();
    if (n == 0)
        return {};
    qsizetype p = 1;
    for (;;) {
        if (p + 1 >= n)
            return {};
        const qsizetype amp = caption.indexOf(QLatin1Char('&'), p - 1) + 1;
        if (amp == 0 || amp == n)
            return {};
        const QString key = caption.mid(amp, 1).toLower();
        if (key != QLatin1String("&"))
            return key;
        p = amp + 2;
    }
}

void XPButton::UpdateAccessKey() {
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    const QString key = GetAccessKey(m_caption);
    if (key.isEmpty())
        return;
    const auto code = Qt::Key(key.at(0).toUpper().unicode());
    m_shortcutId = grabShortcut(QKeySequence(QKeyCombination(Qt::AltModifier, code)));
}

void XPButton::InitProperties() {
    QString captions = QStringLiteral("|");
    const QList<XPButton*> buttons = window()->findChildren<XPButton*>();
    for (const XPButton* b : buttons) {
        if (b != this)
            captions += b->m_caption + QLatin1Char('|');
    }
    QString caption = objectName();
    for (const QString& candidate :
         {QStringLiteral("&OK"), QStringLiteral("&Cancel"), QStringLiteral("&Apply")}) {
        if (!captions.contains(QLatin1Char('|') + candidate + QLatin1Char('|'))) {
            caption = candidate;
            break;
        }
    }
    SetCaption(caption);
    SetForeColor(0);
    SetEnabled(true);
    SetFocusRect(true);
}

void XPButton::ReadProperties(const PropertyBag& bag) {
    m_parentWindow = window();
    QString caption;
    if (Fetch(bag, QStringLiteral("Caption"), QStringLiteral("&OK"), caption))
        SetCaption(caption);
    uint color = 0;
    if (Fetch(bag, QStringLiteral("ForeColor"), 0u, color))
        SetForeColor(color);
    QFont f;
    if (Fetch(bag, QStringLiteral("Font"), m_font, f))
        SetFont(f);
    bool focusRect = true;
    if (Fetch(bag, QStringLiteral("FocusRect"), true, focusRect))
        SetFocusRect(focusRect);
    bool enabled = true;
    if (Fetch(bag, QStringLiteral("Enabled"), true, enabled))
        SetEnabled(enabled);
    Hook();
    m_drawingSuspended = false;
    DrawState(m_buttonState);
}

void XPButton::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("Caption"), m_caption, QStringLiteral("&OK"));
    bag.WriteProperty(QStringLiteral("Enabled"), m_enabled, true);
    bag.WriteProperty(QStringLiteral("ForeColor"), uint(m_foreColor), 0u);
    bag.WriteProperty(QStringLiteral("Font"), m_font, DesignFont());
    bag.WriteProperty(QStringLiteral("FocusRect"), m_focusRect, true);
}

void XPButton::LoadFromOwnValues() {
    // A button made in code is loaded like one read from a form, with what it holds now.
    MapPropertyBag bag;
    bag.SetValue(QStringLiteral("Caption"), m_caption);
    bag.SetValue(QStringLiteral("ForeColor"), uint(m_foreColor));
    bag.SetValue(QStringLiteral("Font"), m_font);
    bag.SetValue(QStringLiteral("FocusRect"), m_focusRect);
    bag.SetValue(QStringLiteral("Enabled"), m_enabled);
    ReadProperties(bag);
}

void XPButton::SetDisplayAsDefault(bool showDefault) {
    m_showDefault = showDefault;
    if (m_enabled && !m_mouseOver) {
        if (m_showDefault)
            DrawState(Focused);
        else
            DrawStateUnlessAlready(Normal);
    }
}

void XPButton::DrawStateUnlessAlready(int s) {
    if (m_buttonState != s)
        DrawState(s);
}

void XPButton::DrawGradient(QPainter& p, const QRect& r, quint32 top, quint32 bottom) {
    const int n = r.bottom() + 1 - r.top();
    if (n <= 0)
        return; // no rows between the edges: nothing to blend
    std::array<float, 3> step{};
    for (int c = 0; c < 3; ++c) {
        const int t = int((top >> (8 * c)) & 0xFF);
        const int b = int((bottom >> (8 * c)) & 0xFF);
        step[std::size_t(c)] = float(t - b) / float(n);
    }
    for (int i = 0; i <= n; ++i) {
        quint32 color = 0;
        for (int c = 0; c < 3; ++c) {
            const int b = int((bottom >> (8 * c)) & 0xFF);
            // nearbyint rounds a half to the even neighbour in the default rounding mode.
            const double v = std::nearbyint(double(b) + double(step[std::size_t(c)]) * i);
            color |= quint32(std::clamp(int(v), 0, 255)) << (8 * c);
        }
        const int y = r.top() + n - i;
        Line(p, r.left(), y, r.right() + 1, y, color);
    }
}

void XPButton::DrawState(int s) {
    if (m_drawingSuspended || s < Disabled || s > Pressed)
        return;
    m_buttonState = s;
    // One surface pixel per screen pixel: on a high-density screen the face keeps its
    // design in logical pixels and the caption is drawn as sharp as the screen allows.
    const qreal ratio = devicePixelRatioF();
    if (m_surface.size() != size() * ratio || m_surface.devicePixelRatio() != ratio) {
        m_surface = QImage(size() * ratio, QImage::Format_RGB32);
        m_surface.setDevicePixelRatio(ratio);
    }
    const int W = width();
    const int H = height();
    if (W <= 0 || H <= 0)
        return;
    const auto i = std::size_t(s);

    QPainter p(&m_surface);
    p.fillRect(QRect(0, 0, W, H), palette().color(QPalette::Window));

    Line(p, 3, 0, W - 3, 0, Colors.border[i]);
    Line(p, 0, 3, 0, H - 3, Colors.border[i]);
    Line(p, 3, H - 1, W - 3, H - 1, Colors.border[i]);
    Line(p, W - 1, 3, W - 1, H - 3, Colors.border[i]);

    if (s == Normal || s == Focused || s == Hot) {
        DrawGradient(p, Ltrb(1, 3, W - 1, H - 2), Colors.rimTop[i], Colors.rimBottom[i]);
        DrawGradient(p, Ltrb(3, 3, W - 3, H - 3), FaceTop, FaceBottom);
        Line(p, 1, 1, W, 1, Colors.top1[i]);
        Line(p, 1, 2, W, 2, Colors.top2[i]);
        Line(p, 1, H - 3, W, H - 3, Colors.bottom1[i]);
        Line(p, 2, H - 2, W - 1, H - 2, Colors.bottom2[i]);
    } else {
        p.fillRect(Ltrb(1, 1, W - 1, H - 1), ToQColor(s == Pressed ? PressedFace : DisabledFace));
    }

    // The same five pixels in each corner, mirrored.
    for (const auto& [x0, dx, y0, dy] :
         {std::array{0, 1, 0, 1}, std::array{W - 1, -1, 0, 1}, std::array{0, 1, H - 1, -1},
          std::array{W - 1, -1, H - 1, -1}}) {
        Pixel(p, x0, y0 + 2 * dy, Colors.corner1[i]);
        Pixel(p, x0 + 2 * dx, y0, Colors.corner1[i]);
        Pixel(p, x0, y0 + dy, Colors.corner2[i]);
        Pixel(p, x0 + dx, y0, Colors.corner2[i]);
        Pixel(p, x0 + dx, y0 + dy, Colors.corner3[i]);
    }

    // A rounded rectangle (0, 0)-(W+1, H+1) with a 3 x 3 corner ellipse keeps every
    // pixel of the button but the outermost one of each corner.
    QRegion region(0, 0, W, H);
    for (const QPoint& corner :
         {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)})
        region -= QRegion(corner.x(), corner.y(), 1, 1);
    if (mask() != region)
        setMask(region);
    update();

    m_drawingSuspended = true;
    const QRect captionRect = Ltrb(3, 3, W - 3, H - 3);
    p.setFont(m_font);
    p.setPen(ToQColor(m_enabled ? m_foreColor : DisabledTextColor));
    p.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, m_caption);

    if (m_hasFocus && m_focusRect && s > Normal) {
        // Dotted: every other pixel of the rectangle's outline, in the foreground colour 0.
        const QColor black(0, 0, 0);
        const QRect& r = captionRect;
        auto dot = [&](int x, int y) {
            if ((x + y) % 2 == 0)
                p.fillRect(QRect(x, y, 1, 1), black);
        };
        for (int x = r.left(); x <= r.right(); ++x) {
            dot(x, r.top());
            dot(x, r.bottom());
        }
        for (int y = r.top(); y <= r.bottom(); ++y) {
            dot(r.left(), y);
            dot(r.right(), y);
        }
    }
    m_drawingSuspended = false;
}

void XPButton::HookProc(bool bBefore, bool& bHandled, qintptr& lReturn, quintptr lng_hWnd,
                        unsigned uMsg, quintptr wParam, qintptr lParam) {
    // Only after the window's own procedure; nothing here changes what the window does.
    Q_UNUSED(bHandled)
    Q_UNUSED(lReturn)
    Q_UNUSED(lng_hWnd)
    Q_UNUSED(lParam)
    if (bBefore)
        return;
    if (uMsg == WM_ACTIVATE || uMsg == WM_NCACTIVATE) {
        if (wParam != 0) {
            m_parentActive = true;
            if (m_enabled) {
                if (m_mouseOver)
                    DrawStateUnlessAlready(Hot);
                else if (m_hasFocus || m_showDefault)
                    DrawState(Focused);
            }
            Q_EMIT FormActivate(1);
        } else {
            m_parentActive = m_mousePressed = m_mouseCaptured = m_keyPressed = false;
            if (m_enabled && m_buttonState != Normal)
                DrawState(Normal);
            Q_EMIT FormActivate(0);
        }
    } else if (uMsg == WM_MOUSELEAVE) {
        m_mouseOver = false;
        if (m_keyPressed || m_buttonState == Disabled)
            return;
        if (m_hasFocus || m_showDefault) {
            if (m_buttonState == Pressed)
                DrawState(m_mousePressed ? Focused : Normal);
            else if (m_buttonState != Focused && m_parentActive)
                DrawState(Focused);
        } else {
            DrawStateUnlessAlready(Normal);
        }
    }
}

void XPButton::Hook() {
    Unhook();
    m_parentWindow = window();
    if (!m_parentWindow)
        return;
    m_parentWindow->installEventFilter(this);
    // A form that is already active sends no activation; take its present state.
    m_parentActive = m_parentWindow->isActiveWindow();
    m_hooked = true;
}

void XPButton::Unhook() {
    if (m_hooked && m_parentWindow)
        m_parentWindow->removeEventFilter(this);
    m_hooked = false;
}

bool XPButton::eventFilter(QObject* watched, QEvent* e) {
    // ActivationChange reaches the window after it has handled WindowActivate or
    // WindowDeactivate, which makes it the "after" side of the activation message.
    if (m_hooked && watched == m_parentWindow && e->type() == QEvent::ActivationChange) {
        bool handled = false;
        qintptr ret = 0;
        HookProc(false, handled, ret, quintptr(m_parentWindow->internalWinId()), WM_ACTIVATE,
                 m_parentWindow->isActiveWindow() ? 1 : 0, 0);
    }
    return QWidget::eventFilter(watched, e);
}

bool XPButton::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::Shortcut:
        if (static_cast<QShortcutEvent*>(e)->shortcutId() == m_shortcutId) {
            OnAccessKeyPress();
            return true;
        }
        break;
    case QEvent::ParentChange:
        if (m_hooked && window() != m_parentWindow)
            Hook();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void XPButton::OnAccessKeyPress() {
    if (!m_enabled)
        return;
    if (m_keyPressed) {
        m_keyPressed = m_mousePressed = false;
        if (m_mouseOver)
            DrawStateUnlessAlready(Hot);
        else
            DrawState(Focused);
        return;
    }
    // Let pending paints through before the form reacts to the click.
    QPointer<XPButton> self(this);
    QCoreApplication::processEvents();
    if (self)
        Q_EMIT Click();
}

void XPButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_surface);
}

void XPButton::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    int w = width();
    int h = height();
    if (h < MinimumPixels) {
        m_drawingSuspended = true;
        h = MinimumPixels;
    }
    if (w < MinimumPixels) {
        m_drawingSuspended = true;
        w = MinimumPixels;
    }
    if (w != width() || h != height()) {
        resize(w, h);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (m_surface.size() != size() * ratio) {
        // Keep what was drawn: a suspended button shows its last look until it redraws.
        QImage grown(size() * ratio, QImage::Format_RGB32);
        grown.setDevicePixelRatio(ratio);
        grown.fill(palette().color(QPalette::Window));
        QPainter(&grown).drawImage(0, 0, m_surface);
        m_surface = grown;
    }
    if (!m_drawingSuspended)
        DrawState(m_buttonState);
}

void XPButton::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!m_hooked)
        LoadFromOwnValues();
}

void XPButton::changeEvent(QEvent* e) {
    // A font given to the widget from outside (or inherited) is taken like a set Font.
    if (e->type() == QEvent::FontChange && QWidget::font() != m_font) {
        m_font = QWidget::font();
        FontChanged();
    }
    QWidget::changeEvent(e);
}

void XPButton::notePointerAt(const QPointF& at) {
    m_mouseOver = at.x() >= 0 && at.x() <= width() && at.y() >= 0 && at.y() <= height();
    if (m_mouseOver)
        m_leaveRequested = true; // one leave notification, as the window system would send
}

void XPButton::mouseMoveEvent(QMouseEvent* e) {
    const float x = static_cast<float>(e->position().x());
    const float y = static_cast<float>(e->position().y());
    notePointerAt(e->position());
    if (m_parentActive && !m_keyPressed) {
        if (m_mouseOver && m_mousePressed)
            DrawStateUnlessAlready(Pressed);
        else if (m_mouseOver)
            DrawStateUnlessAlready(Hot);
        else if (m_hasFocus)
            DrawStateUnlessAlready(Focused);
        else
            DrawStateUnlessAlready(Normal);
        Q_EMIT MouseMove(short(e->buttons() & 7), ShiftState(e->modifiers()), x, y);
    }
}

void XPButton::mousePressEvent(QMouseEvent* e) {
    m_lastButton = short(e->button() & 7);
    if (e->button() == Qt::LeftButton) {
        // A tap on a touch screen, or a pointer the system put there, presses without a
        // move first: the press itself says where the pointer is.
        notePointerAt(e->position());
        m_hasFocus = m_mousePressed = m_mouseCaptured = true;
        DrawStateUnlessAlready(Pressed);
    }
}

void XPButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    notePointerAt(e->position());
    bool click = false;
    if (m_parentActive) {
        if (m_mouseOver)
            DrawStateUnlessAlready(Hot);
        else if (m_hasFocus)
            DrawState(Focused);
        click = m_mouseOver && m_hasFocus && m_mousePressed;
    }
    m_mousePressed = m_mouseCaptured = false;
    if (click)
        Q_EMIT Click();
}

void XPButton::mouseDoubleClickEvent(QMouseEvent*) {
    // Stands in for the second press; the base class would turn it into a press.
    if (m_lastButton == 1) {
        DrawState(Pressed);
        Q_EMIT DblClick();
    }
}

void XPButton::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    if (!m_leaveRequested)
        return;
    m_leaveRequested = false;
    bool handled = false;
    qintptr ret = 0;
    HookProc(false, handled, ret, quintptr(internalWinId()), WM_MOUSELEAVE, 0, 0);
}

void XPButton::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT Click();
        break;
    case Qt::Key_Space:
        if (!m_mouseCaptured) {
            m_keyPressed = m_mousePressed = true;
            DrawStateUnlessAlready(Pressed);
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusNextPrevChild(false); // as Shift+Tab
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextPrevChild(true); // as Tab
        break;
    default:
        QWidget::keyPressEvent(e);
        break;
    }
}

void XPButton::keyReleaseEvent(QKeyEvent* e) {
    // Held keys repeat as presses only; the repeated releases are not real ones.
    if (e->key() != Qt::Key_Space || e->isAutoRepeat()) {
        QWidget::keyReleaseEvent(e);
        return;
    }
    if (m_mouseCaptured)
        return;
    if (!m_mouseOver)
        DrawState(Focused);
    else
        DrawStateUnlessAlready(Hot);
    const bool click = m_mousePressed;
    m_keyPressed = m_mousePressed = false;
    if (click)
        Q_EMIT Click();
}

void XPButton::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    m_hasFocus = true;
    if (m_mouseOver) {
        if (m_buttonState != Hot && m_buttonState != Pressed)
            DrawState(Hot);
    } else if (!m_mousePressed) {
        DrawState(Focused);
    }
}

void XPButton::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    m_hasFocus = m_mousePressed = m_keyPressed = false;
    if (!m_enabled)
        return;
    if (m_parentActive) {
        if (m_mouseOver)
            DrawStateUnlessAlready(Hot);
        else if (m_showDefault)
            DrawState(Focused);
        else
            DrawStateUnlessAlready(Normal);
    } else {
        DrawStateUnlessAlready(Normal);
    }
}

QSize XPButton::sizeHint() const {
    return QSize(75, 23);
}

QSize XPButton::minimumSizeHint() const {
    return QSize(MinimumPixels, MinimumPixels);
}

} // namespace quillet
