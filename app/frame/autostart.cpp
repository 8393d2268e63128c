#include "app/frame/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace autostart {
namespace {

// An Exec argument as the desktop entry format quotes it.
QString Quoted(QString argument) {
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""))
        .replace(QLatin1Char('`'), QStringLiteral("\\`"))
        .replace(QLatin1Char('$'), QStringLiteral("\\$"));
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + argument + QLatin1Char('"');
}

}  // namespace

QString EntryPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/org.nimbrel.Nimbrel.desktop");
}

bool Enabled() {
    QFile entry(EntryPath());
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream lines(&entry);
    for (QString line; lines.readLineInto(&line);)
        if (line.trimmed() == QStringLiteral("Hidden=true")) return false;
    return true;
}

bool SetEnabled(bool on, QString* error) {
    const QString path = EntryPath();
    if (!on) {
        if (!QFile::exists(path) || QFile::remove(path)) return true;
        *error = QCoreApplication::translate("autostart", "%1 could not be removed.").arg(path);
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QCoreApplication::translate("autostart", "%1 could not be made.").arg(QFileInfo(path).absolutePath());
        return false;
    }
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = QCoreApplication::translate("autostart", "%1 could not be written: %2").arg(path, entry.errorString());
        return false;
    }
    QTextStream text(&entry);
    text << "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Nimbrel\n"
            "Comment=Bluetooth devices, in the notification area\n"
            "Icon=nimbrel\n"
         << "Exec=" << Quoted(QCoreApplication::applicationFilePath()) << "\n"
         << "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
    text.flush();
    if (!entry.commit()) {
        *error = QCoreApplication::translate("autostart", "%1 could not be written: %2").arg(path, entry.errorString());
        return false;
    }
    return true;
}

}  // namespace autostart
