#pragma once

#include "NotifyIconShell.h"
#include "TrayIconData.h"

#include <QIcon>
#include <QWidget>

#include <memory>

namespace quillet {

class PropertyBag;

// Owns one icon in the notification area: the form sets Picture and ToolTip, calls Add
// and Delete, and gets the user's clicks on the icon as MouseDown, MouseUp, DblClick.
class SystemTray : public QWidget {
    Q_OBJECT

public:
    static constexpr int FaceSize = 37;
    static constexpr quint32 CallbackMessage = 512;

    // Without a shell the control uses the desktop's notification area.
    explicit SystemTray(QWidget* parent = nullptr, std::unique_ptr<NotifyIconShell> shell = {});
    ~SystemTray() override;

    QIcon Picture() const { return m_picture; }
    // A null icon puts the built-in picture back. The icon already shown keeps its look.
    void SetPicture(const QIcon& picture);
    QString ToolTip() const { return m_toolTip; }
    void SetToolTip(const QString& toolTip);
    QIcon DefaultPicture() const { return m_defaultPicture; }
    bool IconShown() const { return m_iconShown; }

    bool Add();
    bool Delete();
    // Shows a temporary picture and tip; the properties stay as they are.
    bool Update(const QIcon& New_Picture = QIcon(), const QString& New_ToolTip = QString());
    // Puts back what Update replaced.
    bool Restore();
    // A message beside the shown icon, for a while; clicking it raises BalloonClick. The
    // icon and its tip stay as they are.
    bool ShowBalloon(const QString& title, const QString& text);

    const TrayIconData& Record() const { return m_trayIconData; }

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Where the shell's messages arrive: 513 to 518 become events, and so does a click on
    // the message beside the icon; anything else (an ordinary pointer move over the face)
    // raises nothing.
    void ShellCallback(int message);

    // The picture the control is designed with: a drive with two arrows.
    static QIcon BuiltInIcon();
    // The "handle" that identifies a picture; 0 for none.
    static qint64 IconHandle(const QIcon& icon) { return icon.isNull() ? 0 : icon.cacheKey(); }

Q_SIGNALS:
    void DblClick(short Button);
    void MouseUp(short Button);
    void MouseDown(short Button);
    void BalloonClick();
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    std::unique_ptr<NotifyIconShell> m_shell;
    QIcon m_picture;
    QString m_toolTip;
    QIcon m_defaultPicture;
    bool m_iconShown = false;
    bool m_inEvent = false;
    TrayIconData m_trayIconData;
};

} // namespace quillet
