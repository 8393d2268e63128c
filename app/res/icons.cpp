#include "app/res/icons.h"

#include <QPainter>
#include <QPixmap>
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
constexpr int kSizes[] = {16, 24, 32, 48, 64};

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
    const QIcon picture = Image(image);
    if (overlay < 1 || overlay > kOverlayCount) return picture;
    const QIcon mark = Image(kFirstOverlay + overlay - 1);
    QIcon result;
    for (int size : kSizes) {
        QPixmap pixmap = picture.pixmap(size, size);
        if (pixmap.isNull()) continue;
        // Painted in device pixels, the bottom-left quarter-and-a-bit of the picture.
        pixmap.setDevicePixelRatio(1.0);
        const int side = pixmap.width() / 2;
        QPainter painter(&pixmap);
        painter.drawPixmap(0, pixmap.height() - side, mark.pixmap(side, side));
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
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
