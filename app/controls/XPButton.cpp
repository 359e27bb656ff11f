#include "XPButton.h"

#include "MapPropertyBag.h"
#include "PropertyBag.h"
#include "XPButtonAccessible.h"
#include "XPButtonPaint.h"

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

short shiftState(Qt::KeyboardModifiers modifiers) {
    short shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

template <typename T>
bool fetch(const PropertyBag& bag, const QString& name, const QVariant& fallback, T& out) {
    const QVariant value = bag.ReadProperty(name, fallback);
    if (!value.canConvert<T>())
        return false; // an unreadable value leaves the property as it is
    out = value.value<T>();
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
    unhook();
}

QFont XPButton::DesignFont() {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Verdana")});
    return font;
}

void XPButton::SetCaption(const QString& caption) {
    m_caption = caption;
    updateAccessKey();
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
        drawStateUnlessAlready(m_enabled ? Normal : Disabled);
    Q_EMIT PropertyChanged(QStringLiteral("Enabled"));
}

void XPButton::SetForeColor(quint32 color) {
    m_foreColor = color & 0x00FFFFFF;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, toQColor(m_foreColor));
    setPalette(pal);
    DrawState(m_buttonState);
    Q_EMIT PropertyChanged(QStringLiteral("ForeColor"));
}

void XPButton::SetFont(const QFont& font) {
    m_font = font;
    fontChanged();
}

void XPButton::fontChanged() {
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
    const qsizetype length = caption.size();
    if (length == 0)
        return {};
    qsizetype from = 1;
    for (;;) {
        if (from + 1 >= length)
            return {};
        const qsizetype amp = caption.indexOf(QLatin1Char('&'), from - 1) + 1;
        if (amp == 0 || amp == length)
            return {};
        const QString key = caption.mid(amp, 1).toLower();
        if (key != QLatin1String("&"))
            return key;
        from = amp + 2;
    }
}

void XPButton::updateAccessKey() {
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
    for (const XPButton* other : buttons) {
        if (other != this)
            captions += other->m_caption + QLatin1Char('|');
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
    if (fetch(bag, QStringLiteral("Caption"), QStringLiteral("&OK"), caption))
        SetCaption(caption);
    uint color = 0;
    if (fetch(bag, QStringLiteral("ForeColor"), 0u, color))
        SetForeColor(color);
    QFont font;
    if (fetch(bag, QStringLiteral("Font"), m_font, font))
        SetFont(font);
    bool focusRect = true;
    if (fetch(bag, QStringLiteral("FocusRect"), true, focusRect))
        SetFocusRect(focusRect);
    bool enabled = true;
    if (fetch(bag, QStringLiteral("Enabled"), true, enabled))
        SetEnabled(enabled);
    hook();
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

void XPButton::loadFromOwnValues() {
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
            drawStateUnlessAlready(Normal);
    }
}

void XPButton::drawStateUnlessAlready(int state) {
    if (m_buttonState != state)
        DrawState(state);
}

void XPButton::DrawState(int state) {
    if (m_drawingSuspended || state < Disabled || state > Pressed)
        return;
    m_buttonState = state;
    // One surface pixel per screen pixel: on a high-density screen the face keeps its
    // design in logical pixels and the caption is drawn as sharp as the screen allows.
    const qreal ratio = devicePixelRatioF();
    if (m_surface.size() != size() * ratio || m_surface.devicePixelRatio() != ratio) {
        m_surface = QImage(size() * ratio, QImage::Format_RGB32);
        m_surface.setDevicePixelRatio(ratio);
    }
    const int wide = width();
    const int high = height();
    if (wide <= 0 || high <= 0)
        return;
    const auto look = std::size_t(state);

    QPainter painter(&m_surface);
    painter.fillRect(QRect(0, 0, wide, high), palette().color(QPalette::Window));

    drawLine(painter, 3, 0, wide - 3, 0, Colors.border[look]);
    drawLine(painter, 0, 3, 0, high - 3, Colors.border[look]);
    drawLine(painter, 3, high - 1, wide - 3, high - 1, Colors.border[look]);
    drawLine(painter, wide - 1, 3, wide - 1, high - 3, Colors.border[look]);

    if (state == Normal || state == Focused || state == Hot) {
        drawGradient(painter, ltrb(1, 3, wide - 1, high - 2), Colors.rimTop[look],
                     Colors.rimBottom[look]);
        drawGradient(painter, ltrb(3, 3, wide - 3, high - 3), FaceTop, FaceBottom);
        drawLine(painter, 1, 1, wide, 1, Colors.top1[look]);
        drawLine(painter, 1, 2, wide, 2, Colors.top2[look]);
        drawLine(painter, 1, high - 3, wide, high - 3, Colors.bottom1[look]);
        drawLine(painter, 2, high - 2, wide - 1, high - 2, Colors.bottom2[look]);
    } else {
        painter.fillRect(ltrb(1, 1, wide - 1, high - 1),
                         toQColor(state == Pressed ? PressedFace : DisabledFace));
    }

    // The same five pixels in each corner, mirrored.
    for (const auto& [x0, dx, y0, dy] :
         {std::array{0, 1, 0, 1}, std::array{wide - 1, -1, 0, 1}, std::array{0, 1, high - 1, -1},
          std::array{wide - 1, -1, high - 1, -1}}) {
        drawPixel(painter, x0, y0 + 2 * dy, Colors.corner1[look]);
        drawPixel(painter, x0 + 2 * dx, y0, Colors.corner1[look]);
        drawPixel(painter, x0, y0 + dy, Colors.corner2[look]);
        drawPixel(painter, x0 + dx, y0, Colors.corner2[look]);
        drawPixel(painter, x0 + dx, y0 + dy, Colors.corner3[look]);
    }

    // A rounded rectangle (0, 0)-(wide+1, high+1) with a 3 x 3 corner ellipse keeps every
    // pixel of the button but the outermost one of each corner.
    QRegion region(0, 0, wide, high);
    for (const QPoint& corner :
         {QPoint(0, 0), QPoint(wide - 1, 0), QPoint(0, high - 1), QPoint(wide - 1, high - 1)})
        region -= QRegion(corner.x(), corner.y(), 1, 1);
    if (mask() != region)
        setMask(region);
    update();

    m_drawingSuspended = true;
    const QRect captionRect = ltrb(3, 3, wide - 3, high - 3);
    painter.setFont(m_font);
    painter.setPen(toQColor(m_enabled ? m_foreColor : DisabledTextColor));
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                     m_caption);

    if (m_hasFocus && m_focusRect && state > Normal) {
        // Dotted: every other pixel of the rectangle's outline, in the foreground colour 0.
        const QColor black(0, 0, 0);
        const QRect& outline = captionRect;
        auto dot = [&](int x, int y) {
            if ((x + y) % 2 == 0)
                painter.fillRect(QRect(x, y, 1, 1), black);
        };
        for (int x = outline.left(); x <= outline.right(); ++x) {
            dot(x, outline.top());
            dot(x, outline.bottom());
        }
        for (int y = outline.top(); y <= outline.bottom(); ++y) {
            dot(outline.left(), y);
            dot(outline.right(), y);
        }
    }
    m_drawingSuspended = false;
}

void XPButton::parentActivationChanged(bool active) {
    if (active) {
        m_parentActive = true;
        if (m_enabled) {
            if (m_mouseOver)
                drawStateUnlessAlready(Hot);
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
}

void XPButton::pointerLeft() {
    m_mouseOver = false;
    if (m_keyPressed || m_buttonState == Disabled)
        return;
    if (m_hasFocus || m_showDefault) {
        if (m_buttonState == Pressed)
            DrawState(m_mousePressed ? Focused : Normal);
        else if (m_buttonState != Focused && m_parentActive)
            DrawState(Focused);
    } else {
        drawStateUnlessAlready(Normal);
    }
}

void XPButton::hook() {
    unhook();
    m_parentWindow = window();
    if (!m_parentWindow)
        return;
    m_parentWindow->installEventFilter(this);
    // A form that is already active sends no activation; take its present state.
    m_parentActive = m_parentWindow->isActiveWindow();
    m_hooked = true;
}

void XPButton::unhook() {
    if (m_hooked && m_parentWindow)
        m_parentWindow->removeEventFilter(this);
    m_hooked = false;
}

bool XPButton::eventFilter(QObject* watched, QEvent* event) {
    // ActivationChange reaches the window after it has handled WindowActivate or
    // WindowDeactivate, which makes it the "after" side of the activation message.
    if (m_hooked && watched == m_parentWindow && event->type() == QEvent::ActivationChange) {
        parentActivationChanged(m_parentWindow->isActiveWindow());
    }
    return QWidget::eventFilter(watched, event);
}

bool XPButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Shortcut:
        if (static_cast<QShortcutEvent*>(event)->shortcutId() == m_shortcutId) {
            onAccessKeyPress();
            return true;
        }
        break;
    case QEvent::ParentChange:
        if (m_hooked && window() != m_parentWindow)
            hook();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void XPButton::onAccessKeyPress() {
    if (!m_enabled)
        return;
    if (m_keyPressed) {
        m_keyPressed = m_mousePressed = false;
        if (m_mouseOver)
            drawStateUnlessAlready(Hot);
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
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface);
}

void XPButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    int wide = width();
    int high = height();
    if (high < MinimumPixels) {
        m_drawingSuspended = true;
        high = MinimumPixels;
    }
    if (wide < MinimumPixels) {
        m_drawingSuspended = true;
        wide = MinimumPixels;
    }
    if (wide != width() || high != height()) {
        resize(wide, high);
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

void XPButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_hooked)
        loadFromOwnValues();
}

void XPButton::changeEvent(QEvent* event) {
    // A font given to the widget from outside (or inherited) is taken like a set Font.
    if (event->type() == QEvent::FontChange && QWidget::font() != m_font) {
        m_font = QWidget::font();
        fontChanged();
    }
    QWidget::changeEvent(event);
}

void XPButton::notePointerAt(const QPointF& at) {
    m_mouseOver = at.x() >= 0 && at.x() <= width() && at.y() >= 0 && at.y() <= height();
    if (m_mouseOver)
        m_leaveRequested = true; // one leave notification, as the window system would send
}

void XPButton::mouseMoveEvent(QMouseEvent* event) {
    const float x = static_cast<float>(event->position().x());
    const float y = static_cast<float>(event->position().y());
    notePointerAt(event->position());
    if (m_parentActive && !m_keyPressed) {
        if (m_mouseOver && m_mousePressed)
            drawStateUnlessAlready(Pressed);
        else if (m_mouseOver)
            drawStateUnlessAlready(Hot);
        else if (m_hasFocus)
            drawStateUnlessAlready(Focused);
        else
            drawStateUnlessAlready(Normal);
        Q_EMIT MouseMove(short(event->buttons() & 7), shiftState(event->modifiers()), x, y);
    }
}

void XPButton::mousePressEvent(QMouseEvent* event) {
    m_lastButton = short(event->button() & 7);
    if (event->button() == Qt::LeftButton) {
        // A tap on a touch screen, or a pointer the system put there, presses without a
        // move first: the press itself says where the pointer is.
        notePointerAt(event->position());
        m_hasFocus = m_mousePressed = m_mouseCaptured = true;
        drawStateUnlessAlready(Pressed);
    }
}

void XPButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    notePointerAt(event->position());
    bool click = false;
    if (m_parentActive) {
        if (m_mouseOver)
            drawStateUnlessAlready(Hot);
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

void XPButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (!m_leaveRequested)
        return;
    m_leaveRequested = false;
    pointerLeft();
}

void XPButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT Click();
        break;
    case Qt::Key_Space:
        if (!m_mouseCaptured) {
            m_keyPressed = m_mousePressed = true;
            drawStateUnlessAlready(Pressed);
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
        QWidget::keyPressEvent(event);
        break;
    }
}

void XPButton::keyReleaseEvent(QKeyEvent* event) {
    // Held keys repeat as presses only; the repeated releases are not real ones.
    if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (m_mouseCaptured)
        return;
    if (!m_mouseOver)
        DrawState(Focused);
    else
        drawStateUnlessAlready(Hot);
    const bool click = m_mousePressed;
    m_keyPressed = m_mousePressed = false;
    if (click)
        Q_EMIT Click();
}

void XPButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_hasFocus = true;
    if (m_mouseOver) {
        if (m_buttonState != Hot && m_buttonState != Pressed)
            DrawState(Hot);
    } else if (!m_mousePressed) {
        DrawState(Focused);
    }
}

void XPButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_hasFocus = m_mousePressed = m_keyPressed = false;
    if (!m_enabled)
        return;
    if (m_parentActive) {
        if (m_mouseOver)
            drawStateUnlessAlready(Hot);
        else if (m_showDefault)
            DrawState(Focused);
        else
            drawStateUnlessAlready(Normal);
    } else {
        drawStateUnlessAlready(Normal);
    }
}

QSize XPButton::sizeHint() const {
    return QSize(75, 23);
}

QSize XPButton::minimumSizeHint() const {
    return QSize(MinimumPixels, MinimumPixels);
}

} // namespace quillet
