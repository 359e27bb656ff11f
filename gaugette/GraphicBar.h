#pragma once

#include <QImage>
#include <QWidget>

#if defined(GAUGETTE_LIBRARY)
#define GAUGETTE_EXPORT Q_DECL_EXPORT
#else
#define GAUGETTE_EXPORT Q_DECL_IMPORT
#endif

// A flat horizontal progress bar: a band in ForeColor over BackColor, `Value` percent wide.
// Colours are 0x00BBGGRR. The picture is redrawn only when a property is set; painting shows
// what that last drawing left.
class GAUGETTE_EXPORT GraphicBar : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("DispId 0x68030000", "Value")
    Q_CLASSINFO("DispId 0x68030001", "BackColor")
    Q_CLASSINFO("DispId 0x68030002", "ForeColor")
    // Stored: what is set in Qt Designer is saved in the form and set again when it loads.
    Q_PROPERTY(int Value READ value WRITE setValue)
    Q_PROPERTY(int BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int ForeColor READ foreColor WRITE setForeColor)

public:
    explicit GraphicBar(QWidget* parent = nullptr);
    ~GraphicBar() override;

    int value() const { return m_value; }
    void setValue(int value);
    int backColor() const { return m_backColor; }
    void setBackColor(int color);
    int foreColor() const { return m_foreColor; }
    void setForeColor(int color);

    QSize sizeHint() const override;

    static QColor toQColor(int colorRef);
    static int toColorRef(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawBar();
    void fitSurface();

    QImage m_surface; // what the last DrawBar left
    int m_value = 0;
    int m_backColor = 0;
    int m_foreColor = 0;
};
