// The recently used documents: the last eight documents opened or saved,
// newest first, kept in the user's settings of the program (value
// "RecentDocuments"), and File > Recent documents, which lists them. A
// document that is no longer there is taken off the list when it is chosen,
// with a note on the status line.
#pragma once

#include <QString>
#include <QStringList>

class QMenu;
class TLumacurveForm;

namespace RecentDocuments {

inline constexpr int MaxCount = 8;

// The list, newest first.
[[nodiscard]] QStringList List();
// Puts the document at the top of the list (once), dropping the oldest beyond eight.
void Add(const QString& path);
// Takes the document off the list.
void Remove(const QString& path);
void Clear();

// Fills the menu with the list each time it opens; choosing an entry opens
// that document in the form (after asking to save the one shown).
void AttachMenu(QMenu* menu, TLumacurveForm& form);
// Opens a document of the list as the menu does; false when it was no longer
// there (it is then taken off the list and the status line says so) or was not opened.
bool OpenRecent(TLumacurveForm& form, const QString& path);

} // namespace RecentDocuments
