#pragma once
// The maker's two web pages, opened from the help menu. Kept here alone so
// that a move of the site changes one file.

#include <QString>

namespace tarvik {

// "Mises à jour ...": where new versions are published.
inline const QString MakerUpdatePage = QStringLiteral("https://www.tarvik.fr/mises-a-jour/");
// "En ligne 2019 ...": the maker's online page.
inline const QString MakerOnlinePage = QStringLiteral("https://www.tarvik.fr/");

} // namespace tarvik
