#include "language/language_table.h"

#include "language/command_ids.h"
#include "language/ini_file.h"
#include "language/menu_table.h"
#include "model/model_table.h"
#include "model/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnix::detail {
extern const unsigned char kDefaultLanguageBytes[];
extern const std::size_t kDefaultLanguageSize;
} // namespace tarnix::detail

namespace tarnix {
namespace {

constexpr std::string_view kSection = "App";
constexpr std::string_view kNameKey = "8888";
constexpr std::string_view kDefaultFileName = "default.lug";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool LessIgnoreCase(const std::string& a, const std::string& b) {
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
        });
    const bool greater =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
            return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
        });
    // Names equal but for case still get a fixed order.
    return (less || greater) ? less : a < b;
}

bool EndsWithLug(const std::string& name) {
    if (name.size() < 3) {
        return false;
    }
    const std::string_view tail = std::string_view(name).substr(name.size() - 3);
    return LowerAscii(tail[0]) == 'l' && LowerAscii(tail[1]) == 'u' && LowerAscii(tail[2]) == 'g';
}

// File name of a stored relative name, without its folders.
std::string BaseName(const std::string& relative) {
    const std::size_t slash = relative.find_last_of('/');
    return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void Append(std::vector<std::string>& keys, std::vector<std::string>& values, std::string key,
            std::string value) {
    keys.push_back(std::move(key));
    values.push_back(std::move(value));
}

} // namespace

std::string_view DefaultLanguageSource() {
    return {reinterpret_cast<const char*>(detail::kDefaultLanguageBytes), detail::kDefaultLanguageSize};
}

void DefaultLanguageEntries(std::vector<std::string>& keys, std::vector<std::string>& values) {
    ParseIniSection(DecodeTextBytes(DefaultLanguageSource()), kSection, keys, values);
}

std::string DefaultLanguageFileBytes() {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    DefaultLanguageEntries(keys, values);
    std::string text = "[App]\r\n";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        text += keys[i];
        text += '=';
        text += values[i];
        text += "\r\n";
    }
    return "\xFF\xFE" + EncodeUtf16Le(text);
}

std::string TextOrDefault(const CLanguageTable& table, int key) {
    if (std::string text = table.LookupText(key); !text.empty()) {
        return text;
    }
    static const std::map<std::string, std::string> builtIn = [] {
        std::vector<std::string> keys;
        std::vector<std::string> values;
        DefaultLanguageEntries(keys, values);
        std::map<std::string, std::string> texts;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            texts.emplace(keys[i], values[i]);
        }
        return texts;
    }();
    const auto found = builtIn.find(std::to_string(key));
    return found != builtIn.end() ? found->second : std::string();
}

std::string MenuItemText(const CLanguageTable& table, int command) {
    static const std::map<int, int> keys = [] {
        std::map<int, int> byCommand;
        const auto walk = [&byCommand](const auto& self, const std::vector<MenuNode>& nodes) -> void {
            for (const MenuNode& node : nodes) {
                if (node.command > 0) {
                    byCommand.emplace(node.command, node.key);
                }
                self(self, node.children);
            }
        };
        walk(walk, BuildMenuBar());
        return byCommand;
    }();
    const auto found = keys.find(command);
    if (found == keys.end()) {
        return {};
    }
    const std::string text = TextOrDefault(table, found->second);
    std::string label(SplitMenuText(text).label);
    std::erase(label, '&');
    return label;
}

std::filesystem::path PerUserTempFolder() {
    namespace fs = std::filesystem;
    const uid_t uid = getuid();
    // A folder is used only when it is a real directory of ours that nobody else can write to.
    auto usable = [uid](const fs::path& folder) {
        struct stat st {};
        return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
               (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    };
    auto makeOwn = [&usable](const fs::path& folder) -> fs::path {
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return {};
        }
        return usable(folder) ? folder : fs::path{};
    };
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        if (usable(runtime)) {
            if (fs::path folder = makeOwn(fs::path(runtime) / "tarnix"); !folder.empty()) {
                return folder;
            }
        }
    }
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    if (ec) {
        return {};
    }
    return makeOwn(temp / ("tarnix-" + std::to_string(uid)));
}

std::optional<int> ParseKeyNumber(std::string_view key) {
    std::size_t i = 0;
    while (i < key.size() && (key[i] == ' ' || key[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < key.size() && (key[i] == '+' || key[i] == '-')) {
        negative = key[i] == '-';
        ++i;
    }
    long long value = 0;
    bool digits = false;
    for (; i < key.size() && key[i] >= '0' && key[i] <= '9'; ++i) {
        digits = true;
        value = value * 10 + (key[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    value = negative ? -value : value;
    if (value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string CLanguageTable::LookupText(int key) const {
    return FindText(key).value_or(std::string{});
}

std::optional<std::string> CLanguageTable::FindText(int key) const {
    const std::string wanted = std::to_string(key);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == wanted) {
            return values_[i];
        }
    }
    return std::nullopt;
}

std::optional<std::string> CLanguageTable::FindControlText(int controlId) const {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (ParseKeyNumber(keys_[i]) == controlId) {
            return values_[i];
        }
    }
    return std::nullopt;
}

bool CLanguageTable::WriteDefaultLanguage(const std::filesystem::path& folder) {
    defaultFilePath_.clear();
    if (folder.empty()) {
        return false;
    }
    const std::filesystem::path path = folder / kDefaultFileName;
    const std::string bytes = DefaultLanguageFileBytes();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (WriteFileSafely(path.string(), {data, bytes.size()}) != 0) {
        return false;
    }
    defaultFilePath_ = path;
    return true;
}

void CLanguageTable::FindLanguageFiles(const std::filesystem::path& languageFolder) {
    namespace fs = std::filesystem;
    languageFiles_.clear();
    languageFolder_ = languageFolder;
    // Breadth first; each queue entry is a folder relative to the language folder.
    std::deque<fs::path> queue;
    queue.emplace_back();
    std::size_t foldersQueued = 1;
    while (!queue.empty()) {
        const fs::path relative = queue.front();
        queue.pop_front();
        std::error_code ec;
        fs::directory_iterator it(languageFolder / relative, ec);
        if (ec) {
            continue;
        }
        // Stepped with an error code: a folder that vanishes or cannot be read ends its listing
        // instead of throwing.
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const fs::directory_entry& entry = *it;
            std::error_code typeError;
            const std::string name = entry.path().filename().string();
            if (entry.is_symlink(typeError) && entry.is_directory(typeError)) {
                continue; // linked folders could lead back up the tree
            }
            if (entry.is_directory(typeError)) {
                if (foldersQueued < kLanguageMaxFolders) {
                    queue.push_back(relative / name);
                    ++foldersQueued;
                }
            } else if (EndsWithLug(name)) {
                languageFiles_.push_back((relative / name).generic_string());
            }
        }
    }
    std::sort(languageFiles_.begin(), languageFiles_.end(), LessIgnoreCase);
}

void CLanguageTable::SetModel(int model) {
    model_ = (model >= 0 && model <= 5) ? model : 0;
}

std::filesystem::path CLanguageTable::LanguagePath(int index) const {
    if (index == kLanguageDefaultIndex || languageFiles_.empty()) {
        return index == kLanguageDefaultIndex ? defaultFilePath_ : std::filesystem::path{};
    }
    const std::size_t i = std::min(static_cast<std::size_t>(std::max(index, 0)), languageFiles_.size() - 1);
    return languageFolder_ / languageFiles_[i];
}

void CLanguageTable::AppendModelTexts() {
    // The menus lose items per model, which shifts these positions; their texts are given per model.
    static const char* const kNsFast[] = {"2nS", "4nS", "10nS", "20nS", "40nS", "100nS", "200nS", "400nS"};
    static const char* const kNsSlow[] = {"4nS", "10nS", "20nS", "40nS", "100nS", "200nS", "400nS"};
    const bool fast = model_ == 4 || model_ == 5;
    const std::span<const char* const> ns =
        fast ? std::span<const char* const>(kNsFast) : std::span<const char* const>(kNsSlow);
    for (std::size_t i = 0; i < ns.size(); ++i) {
        Append(keys_, values_, std::to_string(804000000 + static_cast<int>(i)), ns[i]);
    }
    static const char* const kBuffers[] = {"10k", "14k", "28k", "32k", "64k", "512k", "1 M"};
    int position = 0;
    for (int b = 0; b < 7; ++b) {
        const bool offered = IsBufferSizeOffered(model_, b);
        if (offered) {
            Append(keys_, values_, std::to_string(8080900 + position), kBuffers[b]);
            ++position;
        }
    }
    for (std::size_t i = 0; i < languageFiles_.size(); ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "80908%02d", static_cast<int>(i) + 2);
        Append(keys_, values_, key, LanguageName(static_cast<int>(i)));
    }
}

void CLanguageTable::LoadLanguage(int index) {
    currentIndex_ = index;
    keys_.clear();
    values_.clear();
    const std::filesystem::path path = LanguagePath(index);
    if (!path.empty()) {
        CIniFile(path.string()).ReadSection(kSection, keys_, values_);
    }
    AppendModelTexts();
}

int CLanguageTable::SelectLanguage(int index, int model) {
    if (index < 0 || static_cast<std::size_t>(index) >= languageFiles_.size()) {
        index = kLanguageDefaultIndex;
    }
    SetModel(model);
    LoadLanguage(index);
    return index;
}

std::string CLanguageTable::LanguageName(int index) const {
    if (index < 0) {
        return "English";
    }
    if (languageFiles_.empty()) {
        return {};
    }
    const std::size_t i = std::min(static_cast<std::size_t>(index), languageFiles_.size() - 1);
    std::string name = CIniFile((languageFolder_ / languageFiles_[i]).string()).ReadValue(kSection, kNameKey);
    if (name.empty()) {
        name = WithoutExtension(BaseName(languageFiles_[i]));
    }
    return name;
}

std::string CLanguageTable::HelpFileStem() const {
    if (currentIndex_ < 0 || languageFiles_.empty()) {
        return "English";
    }
    const std::size_t i = std::min(static_cast<std::size_t>(currentIndex_), languageFiles_.size() - 1);
    return WithoutExtension(BaseName(languageFiles_[i]));
}

std::string CLanguageTable::HelpFileName() const {
    std::string stem = HelpFileStem();
    const auto same = [&stem](std::string_view name) {
        return stem.size() == name.size() &&
               std::equal(stem.begin(), stem.end(), name.begin(),
                          [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    };
    if (!same("English") && !same("French") && !same("German")) {
        stem = "English";
    }
    return "MorvlinkHelp-" + stem + ".chm";
}

namespace {
void RelabelLevel(std::vector<MenuNode>& nodes, std::vector<int>& path, const CLanguageTable& table) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        path.push_back(static_cast<int>(i));
        MenuNode& node = nodes[i];
        if (node.kind != MenuKind::Separator) {
            if (const std::optional<int> key = MenuKey(path)) {
                if (std::optional<std::string> text = table.FindText(*key)) {
                    node.text = std::move(*text);
                }
            }
        }
        RelabelLevel(node.children, path, table);
        path.pop_back();
    }
}
} // namespace

namespace {
MenuNode* FindPopupOf(std::vector<MenuNode>& nodes, int command) {
    for (MenuNode& node : nodes) {
        for (const MenuNode& child : node.children) {
            if (child.command == command) {
                return &node;
            }
        }
        if (MenuNode* found = FindPopupOf(node.children, command)) {
            return found;
        }
    }
    return nullptr;
}
} // namespace

void AppendLanguageItems(std::vector<MenuNode>& menuBar, const CLanguageTable& table) {
    MenuNode* popup = FindPopupOf(menuBar, cmd::kLanguageDefault);
    if (popup == nullptr) {
        return;
    }
    const int popupKey = popup->key;
    for (LanguageMenuEntry& entry : table.LanguageMenuItems()) {
        MenuNode node;
        node.command = entry.commandId;
        node.text = std::move(entry.text);
        node.key = popupKey * 100 + static_cast<int>(popup->children.size());
        popup->children.push_back(std::move(node));
    }
}

void RelabelMenuTree(std::vector<MenuNode>& menuBar, const CLanguageTable& table) {
    std::vector<int> path;
    RelabelLevel(menuBar, path, table);
}

std::vector<LanguageMenuEntry> CLanguageTable::LanguageMenuItems() const {
    std::vector<LanguageMenuEntry> items;
    items.reserve(languageFiles_.size());
    for (std::size_t i = 0; i < languageFiles_.size(); ++i) {
        items.push_back({kLanguageItemFirstId + static_cast<int>(i), LanguageName(static_cast<int>(i))});
    }
    return items;
}

bool IsDefaultLanguageChecked(int currentIndex) {
    return currentIndex == kLanguageDefaultIndex;
}

std::optional<bool> IsLanguageItemChecked(int commandId, int currentIndex) {
    if (commandId < kLanguageItemFirstId || commandId > kLanguageItemLastUpdatedId) {
        return std::nullopt;
    }
    return currentIndex == commandId - kLanguageItemFirstId;
}

std::optional<int> LanguageIndexForCommand(int commandId) {
    if (commandId < kLanguageItemFirstId || commandId > kLanguageItemLastHandledId) {
        return std::nullopt;
    }
    return commandId - kLanguageItemFirstId;
}

} // namespace tarnix
