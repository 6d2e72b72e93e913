#pragma once

#include <QList>

class QTranslator;

// Qt's own texts in Portuguese, whatever the machine's language: the standard buttons of
// message boxes and dialogs ("Sim", "Não", "OK", "Cancelar") and the context menu of text
// boxes, like every other text of the desk. The catalogs are Qt's own, from its translations
// folder (Debian package qt6-translations-l10n): the European Portuguese catalog first, the
// Brazilian one for what it lacks (it has no standard button texts).
namespace QtTranslations {

// Installs the catalogs found into the application; the translators are owned by it. Returns
// them (empty when neither catalog could be loaded, and the texts stay Qt's English).
QList<QTranslator *> installPortuguese();

} // namespace QtTranslations
