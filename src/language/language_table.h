// The text table of the current language: every visible text of the program is looked up here by a
// numeric key. Holds the list of language files found beside the program and loads one of them (or
// the built-in English default) on request. Pure standard C++; the Qt side relabels its widgets
// with the texts it gets from here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

inline constexpr int kLanguageDefaultIndex = -1;
// Language items of the Utility/Language menu: ID 9001 + position in the file list. Commands are
// handled over the whole range; update rules are registered for the first hundred and one.
inline constexpr int kLanguageItemFirstId = 9001;
inline constexpr int kLanguageItemLastHandledId = 11001;
inline constexpr int kLanguageItemLastUpdatedId = 9101;
// Folders the language-folder walk holds at most.
inline constexpr std::size_t kLanguageMaxFolders = 4160;

struct LanguageMenuEntry {
    int commandId = 0;
    std::string text;
};

class CLanguageTable {
public:
    // Text of the first stored key equal to the decimal form of key; "" when none is.
    std::string LookupText(int key) const;
    // As LookupText, but tells a missing key apart from an empty text (menus keep their text then).
    std::optional<std::string> FindText(int key) const;
    // Control relabelling: the first stored key whose numeric value equals controlId ("01084" and
    // "1084" both match 1084), nullopt when none does.
    std::optional<std::string> FindControlText(int controlId) const;

    // Writes the built-in default language as folder/"default.lug" (UTF-16LE with byte-order mark),
    // replacing an older copy. On failure an older copy stays as it was and the default path stays empty.
    bool WriteDefaultLanguage(const std::filesystem::path& folder);
    const std::filesystem::path& DefaultFilePath() const { return defaultFilePath_; }

    // Walks languageFolder and its subfolders breadth first for files whose names end in "lug"
    // (case-insensitive), stores their names relative to the folder and sorts them case-insensitively.
    void FindLanguageFiles(const std::filesystem::path& languageFolder);
    const std::vector<std::string>& LanguageFiles() const { return languageFiles_; }
    const std::filesystem::path& LanguageFolder() const { return languageFolder_; }

    // Model index (0..5; anything else counts as 0) that selects the model-dependent menu texts.
    void SetModel(int model);
    int Model() const { return model_; }

    int CurrentIndex() const { return currentIndex_; }
    // Loads the texts of language index (-1 = default; past the end = last file) into the table and
    // makes it the current index. A missing or unreadable file leaves only the appended texts.
    void LoadLanguage(int index);
    // The table's part of selecting a language: an index outside the file list becomes -1; the
    // model is set and the language loaded. Returns the index to store as the document's setting.
    // Relabelling the menus and windows is the caller's part.
    int SelectLanguage(int index, int model);

    // -1: "English"; no files: ""; past the end: the last file; otherwise the file's key 8888, or
    // its file name (without subfolders) without extension when it has none.
    std::string LanguageName(int index) const;
    // Stem of the current language for the help file: "English" for the default, otherwise the
    // file name (without subfolders) up to its last ".".
    std::string HelpFileStem() const;
    // Help file of the current language inside the language folder: "MorvlinkHelp-<stem>.chm" when
    // the stem is English, French or German (any case), else the English one.
    std::string HelpFileName() const;

    // Items of the Utility/Language menu after "Default" and its separator, in list order.
    std::vector<LanguageMenuEntry> LanguageMenuItems() const;

    std::size_t EntryCount() const { return keys_.size(); }
    const std::vector<std::string>& Keys() const { return keys_; }
    const std::vector<std::string>& Values() const { return values_; }

private:
    std::filesystem::path LanguagePath(int index) const;
    void AppendModelTexts();

    int currentIndex_ = kLanguageDefaultIndex;
    int model_ = 0;
    std::vector<std::string> keys_;
    std::vector<std::string> values_;
    std::vector<std::string> languageFiles_;
    std::filesystem::path languageFolder_;
    std::filesystem::path defaultFilePath_;
};

struct MenuNode;
// Puts the texts of the table into a menu-bar tree by the key of each position: separators are
// skipped and items whose key the table lacks keep their text. This is what relabelling the menu
// bar does to each item; the Qt menus are walked the same way by position.
void RelabelMenuTree(std::vector<MenuNode>& menuBar, const CLanguageTable& table);
// Appends the Language menu items (LanguageMenuItems) to the Utility/Language popup of a menu-bar
// tree built from the menu table, after "Default" and its separator, with their keys.
void AppendLanguageItems(std::vector<MenuNode>& menuBar, const CLanguageTable& table);

// Update rules of the Language menu. Default (32891) is ticked iff the current index is -1.
bool IsDefaultLanguageChecked(int currentIndex);
// Language item commandId (rule registered for 9001..9101) is ticked iff the current index is its
// position; nullopt for IDs without a rule.
std::optional<bool> IsLanguageItemChecked(int commandId, int currentIndex);
// Position in the file list that a language command selects (9001..11001), nullopt outside.
std::optional<int> LanguageIndexForCommand(int commandId);

// Numeric value of a stored key read like the C library's atoi (leading blanks, optional sign,
// digits up to the first non-digit); nullopt without digits or when out of int range.
std::optional<int> ParseKeyNumber(std::string_view key);

// The built-in default language: its source text (UTF-8), the entries it holds, and the bytes of
// default.lug (UTF-16LE with byte-order mark, CR LF line ends).
std::string_view DefaultLanguageSource();
void DefaultLanguageEntries(std::vector<std::string>& keys, std::vector<std::string>& values);
std::string DefaultLanguageFileBytes();
// The current language's text of `key`, or the built-in default's when the language has none (texts
// of newer features that an older language file lacks).
std::string TextOrDefault(const CLanguageTable& table, int key);
// The current language's text of the menu item that runs `command` (as TextOrDefault), without its
// mnemonic mark and shortcut: "Frequency" for Measure/Frequency. "" for a command no item runs. The key
// is the item's position with every item kept, so use it for menus no model prunes (Measure).
std::string MenuItemText(const CLanguageTable& table, int command);

// A per-user folder for temporary files (owner-only), created when missing: $XDG_RUNTIME_DIR/tarnix
// when that is available, else <system temp>/tarnix-<uid>. Empty path when neither can be made safe.
std::filesystem::path PerUserTempFolder();

} // namespace tarnix
