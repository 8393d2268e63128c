#pragma once
// The program in the user's language: its own translation (compiled into its resources as
// :/i18n/nimbrel_<language>.qm) and Qt's (the standard buttons, key names, file dialog), from
// Qt's translations folder when it has them. English is the language of the sources and needs
// neither.
#include <QLocale>

namespace translations {

// Installs the translations for `locale` (by default the system's: LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG) in place of those it installed before, if any; texts made afterwards
// are in its language. True when the program has a translation for it. Needs the application
// object; call it before the first window is made.
bool Install(const QLocale& locale = QLocale());

}  // namespace translations
