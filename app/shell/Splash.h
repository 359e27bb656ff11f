#pragma once

#include "Captions.h"

#include <QDialog>
#include <QRect>

class QLabel;
class QTimer;

namespace quillet {

// The splash window: our picture and the version, on top of every window, for 3 seconds.
class Splash : public QDialog {
    Q_OBJECT

public:
    explicit Splash(const BuildVersion& version = BuildVersion::current(),
                    QWidget* parent = nullptr);

    QLabel* img() const { return m_img; }
    QLabel* Ver() const { return m_ver; }
    QTimer* Timer1() const { return m_timer; }

    // The window fitted to its picture: a border of one pixel each side and 5 more pixels;
    // the version 10 pixels in from the picture's right edge and 5 below the top.
    struct Geometry {
        QSize window;
        QRect picture;
        QRect ver;
    };
    static Geometry fit(const QSize& picture, const QSize& ver);
    static constexpr int BorderPixels = 1;
    static constexpr int ShowMilliseconds = 3000;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyFit();

    QLabel* m_img;
    QLabel* m_ver;
    QTimer* m_timer;
};

} // namespace quillet
