#include "XPButtonAccessible.h"

#include "XPButton.h"

#include <QAccessibleWidget>

namespace quillet {

namespace {
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

} // namespace

QAccessibleInterface* accessibleButton(const QString& className, QObject* object) {
    if (className == QLatin1String("quillet::XPButton") && object && object->isWidgetType())
        return new XPButtonAccessible(static_cast<XPButton*>(object));
    return nullptr;
}

} // namespace quillet
