#include "gui/resources.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>
#include <QtGlobal>
#include <cmath>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace kelp {

namespace {

QString pathOf(const QString& name) {
    return QStringLiteral(":/icons/%1.svg").arg(name);
}

// Draws the SVG afresh for every size asked of it: at 2x a 32-pixel toolbar icon is drawn
// 64 pixels wide rather than a 32-pixel image stretched.
class SvgIconEngine : public QIconEngine {
  public:
    explicit SvgIconEngine(QString path) : path_(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QSvgRenderer renderer(path_);
        if (mode == QIcon::Disabled)
            painter->setOpacity(painter->opacity() * 0.4);
        renderer.render(painter, QRectF(rect));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap image(size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return image;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(path_); }
    QString key() const override { return QStringLiteral("KelpSvg"); }

  private:
    QString path_;
};

}  // namespace

void initResources() {
    static const bool done = (registerIcons(), true);
    (void)done;
}

QIcon svgIcon(const QString& name) {
    initResources();
    return QIcon(new SvgIconEngine(pathOf(name)));
}

QPixmap svgPixmap(const QString& name, const QSize& size, qreal pixelRatio) {
    initResources();
    const QSize pixels(static_cast<int>(std::ceil(size.width() * pixelRatio)),
                       static_cast<int>(std::ceil(size.height() * pixelRatio)));
    QPixmap image(pixels);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(pathOf(name)).render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

}  // namespace kelp
