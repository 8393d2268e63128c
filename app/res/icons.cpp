#include "app/res/icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <array>

#include "app/frame/command_ids.h"

namespace icons {
namespace {

struct Source {
    const char* theme;  // freedesktop icon name; null: always our own
    const char* own;    // our picture in the resources; null: none
};

// By browser image index (see icons.h).
constexpr std::array<Source, kImageCount> kImages = {{
    {nullptr, "device-unknown"},
    {"computer", "device-desktop"},
    {"computer-laptop", "device-laptop"},
    {"pda", "device-handheld"},
    {"phone", "device-phone"},
    {"network-wireless", "device-access-point"},
    {"audio-card", "device-audio"},
    {nullptr, "service-serial-port"},
    {"folder-remote", "service-file-transfer"},
    {"document-send", "service-object-push"},
    {nullptr, nullptr},
    {"modem", "service-dial-up"},
    {"text-x-generic", "file"},
    {"folder", "folder"},
    // The overlays are ours alone: themes have no pictures that say these four things.
    {nullptr, "overlay-paired"},
    {nullptr, "overlay-connected"},
    {nullptr, "overlay-paired-connected"},
    {nullptr, "overlay-remote-disconnected"},
}};

constexpr int kFirstOverlay = 14;
constexpr int kOverlayCount = 4;

// A picture with a mark on its bottom-left quarter and a bit, both drawn from their sources at
// whatever size and device pixel ratio they are asked for, so they stay sharp on any screen.
class OverlaidIconEngine final : public QIconEngine {
public:
    OverlaidIconEngine(QIcon picture, QIcon mark) : picture_(std::move(picture)), mark_(std::move(mark)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        picture_.paint(painter, rect, Qt::AlignCenter, mode, state);
        const int side = std::min(rect.width(), rect.height()) / 2;
        mark_.paint(painter, QRect(rect.left(), rect.bottom() + 1 - side, side, side), Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), pixmap.size()), mode, state);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    QIconEngine* clone() const override { return new OverlaidIconEngine(picture_, mark_); }

private:
    const QIcon picture_;
    const QIcon mark_;
};

QIcon Own(const char* name) { return QIcon(QStringLiteral(":/res/%1.svg").arg(QLatin1String(name))); }

QIcon Load(const Source& source) {
    if (!source.own) return QIcon();
    if (source.theme) return QIcon::fromTheme(QLatin1String(source.theme), Own(source.own));
    return Own(source.own);
}

}  // namespace

QIcon Image(int index) {
    static std::array<QIcon, kImageCount> cache;
    static std::array<bool, kImageCount> loaded{};
    if (index < 0 || index >= kImageCount) index = 0;
    if (!loaded[index]) {
        cache[index] = Load(kImages[index]);
        loaded[index] = true;
    }
    return cache[index];
}

QIcon WithOverlay(int image, int overlay) {
    if (overlay < 1 || overlay > kOverlayCount) return Image(image);
    return QIcon(new OverlaidIconEngine(Image(image), Image(kFirstOverlay + overlay - 1)));
}

QIcon Tray() { return Own("tray"); }

QIcon Program() { return QIcon::fromTheme(QStringLiteral("nimbrel"), Own("nimbrel")); }

QIcon Command(int commandId) {
    switch (commandId) {
    case cmd::kStop: return QIcon::fromTheme(QStringLiteral("process-stop"), Own("cmd-stop"));
    case cmd::kRefresh: return QIcon::fromTheme(QStringLiteral("view-refresh"), Own("cmd-refresh"));
    case cmd::kUp: return QIcon::fromTheme(QStringLiteral("go-up"), Own("cmd-up"));
    case cmd::kShortcuts: return QIcon::fromTheme(QStringLiteral("user-bookmarks"), Own("cmd-shortcuts"));
    case cmd::kSearchDevices: return QIcon::fromTheme(QStringLiteral("system-search"), Own("cmd-search"));
    case cmd::kLocalServices: return QIcon::fromTheme(QStringLiteral("network-server"), Own("cmd-local-services"));
    case cmd::kSettings: return QIcon::fromTheme(QStringLiteral("preferences-system"), Own("cmd-settings"));
    case cmd::kAbout: return QIcon::fromTheme(QStringLiteral("help-about"), Own("cmd-about"));
    default: return QIcon();
    }
}

}  // namespace icons
