#include "app/frame/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <memory>

namespace translations {
namespace {

// The translators installed last; the application object owns them.
QPointer<QTranslator> g_program;
QPointer<QTranslator> g_qt;

// A translator installed for the best file `name`_<language>.qm of `folder`; null when there is none.
QTranslator* InstallFile(const QLocale& locale, const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(locale, name, QStringLiteral("_"), folder)) return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

}  // namespace

bool Install(const QLocale& locale) {
    // A translator removes itself from the application as it is deleted.
    delete g_program.data();
    delete g_qt.data();
    g_program = InstallFile(locale, QStringLiteral("nimbrel"), QStringLiteral(":/i18n"));
    g_qt = InstallFile(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return g_program != nullptr;
}

}  // namespace translations
