#pragma once

#include <QString>

#include <initializer_list>

namespace quenzal {

class RichTextArea;
class SettingsStore;

// Where the user's choice of code page is kept; a missing or empty value
// means the code page of the system's language.
inline constexpr char kCodePageSection[] = "Settings";
inline constexpr char kCodePageKey[] = "CodePage";

// The code page the user chose (874, 1250 ... 1258), or 0: the system
// language's. A value that names no code page, or a store that cannot be
// read, counts as no choice.
int storedCodePage(SettingsStore &settings);

// Keeps the choice (0: the system language's); why it could not, or an
// empty string.
QString storeCodePage(SettingsStore &settings, int choice);

// Puts the chosen code page in force (0: the system language's) and shows
// the areas' text through it: every character keeps its code, so a text
// typed or opened in one code page reads as the other shows those codes. A
// character the old code page lacks stays as it is.
void applyCodePage(int choice, std::initializer_list<RichTextArea *> areas);

} // namespace quenzal
