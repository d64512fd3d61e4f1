// Renders the application's SVG icon into a square PNG of the given size, for the icon theme's
// fixed-size folders. Usage: vantrel-render-icon IN.svg SIZE OUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: vantrel-render-icon IN.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    // The build runs without a display; painting into an image needs no window system.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    bool ok = false;
    int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!renderer.isValid() || !ok || size <= 0) {
        std::fprintf(stderr, "cannot render %s at %s pixels\n", argv[1], argv[2]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
