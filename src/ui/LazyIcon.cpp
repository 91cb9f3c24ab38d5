#include "ui/LazyIcon.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <memory>
#include <optional>

// The resources live in a static library: they must be registered by hand.
static void initApplicationIcon() { Q_INIT_RESOURCE(appicon); }

namespace tarvik {

namespace {

// Every picture the program carries is PNG, which Qt decodes itself. Naming
// the format and turning detection off keeps QImageReader from loading every
// image plugin installed (and the libraries they pull in) to ask each whether
// it can read the file.
QImage readPng(const QString &fileName)
{
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

class LazyIconEngine : public QIconEngine {
public:
    explicit LazyIconEngine(const QString &fileName) : m_loaded(std::make_shared<Loaded>(fileName)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("tarvik-lazy"); }
    QIconEngine *clone() const override { return new LazyIconEngine(*this); }

private:
    // Shared by the copies Qt makes, so the file is read once whatever the copy.
    struct Loaded {
        explicit Loaded(const QString &name) : fileName(name) {}
        QString fileName;
        std::optional<QIcon> icon; // empty until first needed
    };

    QIcon &icon()
    {
        if (!m_loaded->icon) {
            const QImage image = readPng(m_loaded->fileName);
            m_loaded->icon.emplace(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
        }
        return *m_loaded->icon;
    }

    std::shared_ptr<Loaded> m_loaded;
};

} // namespace

QIcon lazyIcon(const QString &fileName) { return QIcon(new LazyIconEngine(fileName)); }

QIcon applicationIcon()
{
    initApplicationIcon();
    QIcon icon;
    for (const char *size : {"16", "32", "48"})
        icon.addPixmap(QPixmap::fromImage(readPng(QStringLiteral(":/app/%1.png").arg(QLatin1String(size)))));
    return icon;
}

} // namespace tarvik
