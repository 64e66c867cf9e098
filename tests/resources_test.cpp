// Reads the built program's own resources as data: identifiers, menu, shortcut keys, dialog templates, icon,
// version record and the inventory of what is stored.
#include <ctype.h>
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource.h"

namespace {

const WORD UsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 0x0409

// Windows path of the built program; Wine shows the Unix root as drive Z:.
std::string ProgramPath() {
  std::string path = TAVRIK9_PROGRAM;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string Hex(unsigned value) {
  char text[16];
  snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// Shows control characters so texts compare visibly in failure messages.
std::string Visible(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c == '\t') shown += "\\t";
    else if (c == '\n') shown += "\\n";
    else if (c == '\r') shown += "\\r";
    else if (c < 0x20 || c >= 0x7F) shown += "\\x" + Hex(c).substr(2);
    else shown += static_cast<char>(c);
  }
  return "\"" + shown + "\"";
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string all;
  for (const std::string& part : parts) all += (all.empty() ? "" : ", ") + part;
  return "{" + all + "}";
}

// Little-endian reader over one resource's bytes; reading past the end sets Overrun and yields zeros.
class ResourceReader {
 public:
  explicit ResourceReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  unsigned Word() {
    if (pos_ + 2 > bytes_.size()) return Fail();
    unsigned value = bytes_[pos_] | bytes_[pos_ + 1] << 8;
    pos_ += 2;
    return value;
  }
  unsigned Dword() {
    unsigned low = Word();
    return low | Word() << 16;
  }
  int Short() { return static_cast<int16_t>(Word()); }
  // A NUL-terminated UTF-16 string; characters outside ASCII come out as \u escapes.
  std::string Text() {
    std::string text;
    for (unsigned c = Word(); c != 0 && !overrun_; c = Word()) {
      if (c < 0x80) {
        text += static_cast<char>(c);
      } else {
        char escape[8];
        snprintf(escape, sizeof escape, "\\u%04X", c);
        text += escape;
      }
    }
    return text;
  }
  // A dialog's name-or-ordinal field: "" for none, "#n" for an ordinal.
  std::string TextOrOrdinal() {
    if (Peek() == 0xFFFF) {
      Word();
      return "#" + std::to_string(Word());
    }
    return Text();
  }
  // Templates align their parts on DWORDs counted from the resource's first byte.
  void Align() {
    while (pos_ % 4) ++pos_;
    if (pos_ > bytes_.size()) Fail();
  }
  void Skip(size_t count) {
    pos_ += count;
    if (pos_ > bytes_.size()) Fail();
  }
  unsigned Peek() const { return pos_ + 2 <= bytes_.size() ? bytes_[pos_] | bytes_[pos_ + 1] << 8 : 0; }
  size_t Pos() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos; }
  bool Overrun() const { return overrun_; }
  // True when everything was read, allowing at most three zero bytes of padding at the end.
  bool AtEndButPadding() const {
    if (overrun_ || bytes_.size() - pos_ > 3) return false;
    for (size_t i = pos_; i < bytes_.size(); ++i)
      if (bytes_[i]) return false;
    return true;
  }

 private:
  unsigned Fail() {
    overrun_ = true;
    pos_ = bytes_.size();
    return 0;
  }
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
  bool overrun_ = false;
};

// Words that may appear in the texts the program chose itself: its own names, the program file, the version,
// a copyright mark, a year, and web addresses only in the domains reserved for examples.
bool IsProductName(const std::string& word) { return word == "TAVRIK-9" || word == "TAVRIK9"; }

bool IsYear(const std::string& word) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return word.size() == 4 && std::all_of(word.begin(), word.end(), digit) && word >= "1990" && word <= "2099";
}

bool IsReservedExampleAddress(std::string word) {
  for (char& c : word) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (const char* scheme : {"https://", "http://"})
    if (word.compare(0, strlen(scheme), scheme) == 0) word.erase(0, strlen(scheme));
  std::string host = word.substr(0, word.find('/'));
  std::string path = word.substr(host.size());
  if (path.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789/._-") != std::string::npos) return false;
  auto endsWith = [&](const std::string& tail) {
    return host.size() >= tail.size() && host.compare(host.size() - tail.size(), tail.size(), tail) == 0;
  };
  for (const char* domain : {"example.com", "example.net", "example.org"})
    if (host == domain || endsWith(std::string(".") + domain)) return true;
  return endsWith(".example");
}

bool IsOwnWord(const std::string& word) {
  static const char* const words[] = {"TAVRIK9.exe", "Configuration", "Utility", "version", "2.7.4",
                                      "Copyright",   "(C)"};
  for (const char* own : words)
    if (word == own) return true;
  return IsProductName(word) || IsYear(word) || IsReservedExampleAddress(word);
}

::testing::AssertionResult NamesOnlyThisProduct(const std::string& text) {
  if (text.empty()) return ::testing::AssertionFailure() << "the text is empty";
  for (const std::string& word : Split(text, ' '))
    if (!IsOwnWord(word))
      return ::testing::AssertionFailure() << "got " << Visible(text) << ": the word " << Visible(word)
                                           << " is none of this product's names, its file, its version, a year"
                                           << " or a reserved example web address";
  return ::testing::AssertionSuccess();
}

// A copyright notice: the mark, a year and the product as maker, nothing else.
::testing::AssertionResult IsOwnCopyrightNotice(const std::string& text) {
  ::testing::AssertionResult own = NamesOnlyThisProduct(text);
  if (!own) return own;
  std::vector<std::string> words = Split(text, ' ');
  bool mark = false, year = false, maker = false;
  for (const std::string& word : words) {
    mark = mark || word == "Copyright" || word == "(C)";
    year = year || IsYear(word);
    maker = maker || IsProductName(word);
  }
  if (mark && year && maker) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << Visible(text)
                                       << ", expected a copyright mark, a year and the maker's name";
}

class ProgramResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Module = LoadLibraryExA(ProgramPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    LoadError = Module ? 0 : GetLastError();
  }
  static void TearDownTestSuite() {
    if (Module) FreeLibrary(Module);
    Module = NULL;
  }
  void SetUp() override {
    ASSERT_TRUE(Module) << "LoadLibraryExA(" << ProgramPath() << ", LOAD_LIBRARY_AS_DATAFILE) failed, error "
                        << LoadError;
  }

  // The bytes of one resource, looked up in US English only; empty when it is not there.
  static std::vector<uint8_t> Raw(LPCSTR type, unsigned id) {
    HRSRC found = FindResourceExA(Module, type, MAKEINTRESOURCEA(id), UsEnglish);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(Module, found);
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(loaded));
    DWORD size = SizeofResource(Module, found);
    if (!data) return {};
    return std::vector<uint8_t>(data, data + size);
  }

  static HMODULE Module;
  static DWORD LoadError;
};

HMODULE ProgramResources::Module = NULL;
DWORD ProgramResources::LoadError = 0;

// ---------------------------------------------------------------------------------------------------------------
// Identifiers

TEST(ResourceIdentifiers, EachHasItsFixedValue) {
  struct Case {
    const char* name;
    int got, expected;
  };
  const Case cases[] = {
      {"IDOK", IDOK, 1},
      {"IDI_MAIN", IDI_MAIN, 1001},
      {"IDR_MAINMENU", IDR_MAINMENU, 1002},
      {"IDM_NEW", IDM_NEW, 1003},
      {"IDM_SAVE", IDM_SAVE, 1004},
      {"IDM_OPEN", IDM_OPEN, 1005},
      {"IDM_EXIT", IDM_EXIT, 1006},
      {"IDR_ACCEL", IDR_ACCEL, 1051},
      {"IDD_ABOUT", IDD_ABOUT, 1500},
      {"IDM_ABOUT", IDM_ABOUT, 1501},
      {"IDC_ABOUT_TEXT", IDC_ABOUT_TEXT, 1501},
      {"IDD_WRITE_PROGRESS", IDD_WRITE_PROGRESS, 1600},
      {"IDC_PROGRESS_TEXT", IDC_PROGRESS_TEXT, 1601},
      {"IDD_READ_PROGRESS", IDD_READ_PROGRESS, 1610},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.got) << c.name;
}

// ---------------------------------------------------------------------------------------------------------------
// Inventory: which resources exist, and in which language

std::vector<std::string>* Collected = nullptr;

std::string ResourceName(LPCSTR name) {
  return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<uintptr_t>(name)) : "\"" + std::string(name) + "\"";
}

BOOL CALLBACK CollectType(HMODULE, LPSTR type, LONG_PTR) {
  Collected->push_back(ResourceName(type));
  return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR) {
  Collected->push_back(ResourceName(name));
  return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR) {
  Collected->push_back(Hex(language));
  return TRUE;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
  std::sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return items;
}

std::vector<std::string> EnumerateTypes(HMODULE module) {
  std::vector<std::string> found;
  Collected = &found;
  EnumResourceTypesA(module, CollectType, 0);
  Collected = nullptr;
  return Sorted(found);
}

std::vector<std::string> EnumerateNames(HMODULE module, unsigned type) {
  std::vector<std::string> found;
  Collected = &found;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(type), CollectName, 0);
  Collected = nullptr;
  return Sorted(found);
}

std::vector<std::string> EnumerateLanguages(HMODULE module, unsigned type, LPCSTR name) {
  std::vector<std::string> found;
  Collected = &found;
  EnumResourceLanguagesA(module, MAKEINTRESOURCEA(type), name, CollectLanguage, 0);
  Collected = nullptr;
  return found;
}

// The icon images named by the icon group, in group order.
std::vector<unsigned> GroupIconIds(const std::vector<uint8_t>& group) {
  std::vector<unsigned> ids;
  if (group.size() < 6) return ids;
  ResourceReader reader(group);
  reader.Skip(4);
  unsigned count = reader.Word();
  for (unsigned i = 0; i < count && !reader.Overrun(); ++i) {
    reader.Skip(12);
    ids.push_back(reader.Word());
  }
  return ids;
}

TEST_F(ProgramResources, StoresExactlyTheMenuAcceleratorsDialogsIconAndVersionRecord) {
  std::vector<std::string> types = EnumerateTypes(Module);
  // RT_ICON, RT_MENU, RT_DIALOG, RT_ACCELERATOR, RT_GROUP_ICON, RT_VERSION
  const std::vector<std::string> expectedTypes = {"3", "4", "5", "9", "14", "16"};
  EXPECT_EQ(expectedTypes, types) << "resource types: got " << Join(types) << ", expected " << Join(expectedTypes);
  EXPECT_EQ(types.end(), std::find(types.begin(), types.end(), "6")) << "an RT_STRING resource is stored";
  EXPECT_EQ(types.end(), std::find(types.begin(), types.end(), "24")) << "an RT_MANIFEST resource is stored";

  std::vector<std::string> iconImages;
  for (unsigned id : GroupIconIds(Raw(RT_GROUP_ICON, IDI_MAIN))) iconImages.push_back(std::to_string(id));
  struct Case {
    const char* type;
    unsigned typeId;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"RT_ICON", 3, Sorted(iconImages)},
      {"RT_MENU", 4, {std::to_string(IDR_MAINMENU)}},
      {"RT_DIALOG", 5,
       {std::to_string(IDD_ABOUT), std::to_string(IDD_WRITE_PROGRESS), std::to_string(IDD_READ_PROGRESS)}},
      {"RT_ACCELERATOR", 9, {std::to_string(IDR_ACCEL)}},
      {"RT_GROUP_ICON", 14, {std::to_string(IDI_MAIN)}},
      {"RT_VERSION", 16, {"1"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names = EnumerateNames(Module, c.typeId);
    EXPECT_EQ(Sorted(c.names), names) << c.type << " names: got " << Join(names) << ", expected "
                                      << Join(Sorted(c.names));
    for (const std::string& name : names) {
      LPCSTR key = name[0] == '"' ? nullptr : MAKEINTRESOURCEA(std::stoul(name));
      if (!key) continue;  // a named resource already failed above
      std::vector<std::string> languages = EnumerateLanguages(Module, c.typeId, key);
      const std::vector<std::string> expectedLanguages = {"0x409"};
      EXPECT_EQ(expectedLanguages, languages)
          << c.type << " " << name << " languages: got " << Join(languages) << ", expected {0x409}";
    }
  }
}

// ---------------------------------------------------------------------------------------------------------------
// Menu

struct MenuRow {
  int level;  // 0: menu bar, 1: inside a pop-up
  bool popup;
  bool separator;
  unsigned id;  // commands only
  const char* text;
  bool lastOfLevel;  // the template marks it MF_END
};

const MenuRow ExpectedMenu[] = {
    {0, true, false, 0, "&File", false},
    {1, false, false, IDM_NEW, "&New\tCtrl+N", false},
    {1, false, true, 0, "", false},
    {1, false, false, IDM_OPEN, "&Open\tCtrl+O", false},
    {1, false, false, IDM_SAVE, "&Save\tCtrl+S", false},
    {1, false, true, 0, "", false},
    {1, false, false, IDM_EXIT, "E&xit", true},
    {0, true, false, 0, "&Help", true},
    {1, false, false, IDM_ABOUT, "&About", true},
};

struct RawMenuItem {
  int level;
  unsigned flags;
  unsigned id;
  std::string text;
};

// Walks a standard menu template's items, pop-ups followed by their contents.
void ReadMenuItems(ResourceReader& reader, int level, std::vector<RawMenuItem>& items) {
  for (int guard = 0; guard < 100 && !reader.Overrun(); ++guard) {
    RawMenuItem item = {level, reader.Word(), 0, ""};
    if (!(item.flags & MF_POPUP)) item.id = reader.Word();
    item.text = reader.Text();
    items.push_back(item);
    if ((item.flags & MF_POPUP) && level < 4) ReadMenuItems(reader, level + 1, items);
    if (item.flags & MF_END) return;
  }
}

std::string DescribeMenuItem(int level, unsigned flags, unsigned id, const std::string& text) {
  return "level " + std::to_string(level) + " flags " + Hex(flags) + " id " + std::to_string(id) + " text " +
         Visible(text);
}

TEST_F(ProgramResources, MenuTemplateIsStandardWithItsItemsInOrder) {
  std::vector<uint8_t> raw = Raw(RT_MENU, IDR_MAINMENU);
  ASSERT_FALSE(raw.empty()) << "no US English RT_MENU " << IDR_MAINMENU;
  ResourceReader reader(raw);
  unsigned version = reader.Word();
  unsigned headerSize = reader.Word();
  ASSERT_EQ(0u, version) << "menu template version: got " << version << ", expected 0 (1 is the extended form)";
  ASSERT_EQ(0u, headerSize) << "menu template header offset: got " << headerSize << ", expected 0";
  std::vector<RawMenuItem> items;
  ReadMenuItems(reader, 0, items);
  EXPECT_TRUE(reader.AtEndButPadding()) << "template of " << raw.size() << " bytes, items end at " << reader.Pos();

  ASSERT_EQ(std::size(ExpectedMenu), items.size()) << "menu items counted in the template";
  for (size_t i = 0; i < items.size(); ++i) {
    const MenuRow& row = ExpectedMenu[i];
    unsigned expectedFlags = (row.popup ? MF_POPUP : 0) | (row.lastOfLevel ? MF_END : 0);
    std::string expected = DescribeMenuItem(row.level, expectedFlags, row.id, row.text);
    std::string got = DescribeMenuItem(items[i].level, items[i].flags, items[i].id, items[i].text);
    // A separator may be written as an empty item or with MF_SEPARATOR; both load as a separator.
    if (row.separator && items[i].flags == (MF_SEPARATOR | (row.lastOfLevel ? MF_END : 0)))
      got = DescribeMenuItem(items[i].level, expectedFlags, items[i].id, items[i].text);
    EXPECT_EQ(expected, got) << "template item " << i;
  }
}

// The loaded menu's items in the order of ExpectedMenu.
struct LoadedMenuItem {
  int level;
  UINT type, state, id;
  bool popup;
  std::string text;
};

void CollectLoadedMenu(HMENU menu, int level, std::vector<LoadedMenuItem>& items) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[128];
    memset(text, 0xCC, sizeof text);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, i, TRUE, &info)) {
      items.push_back({level, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, false, "(GetMenuItemInfoA failed)"});
      continue;
    }
    items.push_back({level, info.fType, info.fState, info.wID, info.hSubMenu != NULL,
                     info.cch ? std::string(text, info.cch) : std::string()});
    if (info.hSubMenu && level < 4) CollectLoadedMenu(info.hSubMenu, level + 1, items);
  }
}

std::vector<LoadedMenuItem> LoadedMenu(HMODULE module) {
  std::vector<LoadedMenuItem> items;
  HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDR_MAINMENU));
  if (!menu) return items;
  CollectLoadedMenu(menu, 0, items);
  DestroyMenu(menu);
  return items;
}

TEST_F(ProgramResources, LoadedMenuHasPlainEnabledUncheckedItems) {
  std::vector<LoadedMenuItem> items = LoadedMenu(Module);
  ASSERT_EQ(std::size(ExpectedMenu), items.size()) << "items of LoadMenuA(IDR_MAINMENU), pop-ups included";
  for (size_t i = 0; i < items.size(); ++i) {
    const MenuRow& row = ExpectedMenu[i];
    const LoadedMenuItem& item = items[i];
    SCOPED_TRACE("menu item " + std::to_string(i) + " " + Visible(row.text));
    EXPECT_EQ(row.level, item.level) << "level";
    EXPECT_EQ(row.popup, item.popup) << "has a pop-up";
    EXPECT_EQ(Hex(row.separator ? MFT_SEPARATOR : MFT_STRING), Hex(item.type)) << "fType";
    // The loader itself greys separators; their flags in the template are checked on their own.
    if (!row.separator) {
      EXPECT_EQ(Hex(MFS_ENABLED | MFS_UNCHECKED), Hex(item.state)) << "fState (checked, greyed, disabled, default)";
    }
    if (!row.popup) { EXPECT_EQ(row.id, item.id) << "command"; }
    EXPECT_EQ(Visible(row.text), Visible(item.text)) << "text";
  }
}

// ---------------------------------------------------------------------------------------------------------------
// Accelerators

struct Shortcut {
  unsigned flags, key, command;
};

const Shortcut ExpectedShortcuts[] = {
    {FVIRTKEY | FCONTROL, 0x4E, IDM_NEW},
    {FVIRTKEY | FCONTROL, 0x53, IDM_SAVE},
    {FVIRTKEY | FCONTROL, 0x4F, IDM_OPEN},
};

std::string DescribeShortcut(unsigned flags, unsigned key, unsigned command) {
  return "flags " + Hex(flags) + " key " + Hex(key) + " command " + std::to_string(command);
}

TEST_F(ProgramResources, AcceleratorTemplateHoldsThreeControlKeysInOrder) {
  std::vector<uint8_t> raw = Raw(RT_ACCELERATOR, IDR_ACCEL);
  ASSERT_EQ(8 * std::size(ExpectedShortcuts), raw.size()) << "bytes of RT_ACCELERATOR " << IDR_ACCEL;
  ResourceReader reader(raw);
  for (size_t i = 0; i < std::size(ExpectedShortcuts); ++i) {
    const Shortcut& e = ExpectedShortcuts[i];
    unsigned flags = reader.Word(), key = reader.Word(), command = reader.Word();
    reader.Word();  // padding
    // The template marks its last entry with 0x80.
    unsigned expectedFlags = e.flags | (i + 1 == std::size(ExpectedShortcuts) ? 0x80 : 0);
    EXPECT_EQ(DescribeShortcut(expectedFlags, e.key, e.command), DescribeShortcut(flags, key, command))
        << "template entry " << i;
  }
}

TEST_F(ProgramResources, LoadedAcceleratorTableHasTheSameThreeEntries) {
  HACCEL table = LoadAcceleratorsA(Module, MAKEINTRESOURCEA(IDR_ACCEL));
  ASSERT_TRUE(table) << "LoadAcceleratorsA(IDR_ACCEL) failed, error " << GetLastError();
  int count = CopyAcceleratorTableA(table, NULL, 0);
  ASSERT_EQ(static_cast<int>(std::size(ExpectedShortcuts)), count) << "entries";
  ACCEL entries[8];
  memset(entries, 0xCC, sizeof entries);
  ASSERT_EQ(count, CopyAcceleratorTableA(table, entries, 8));
  for (int i = 0; i < count; ++i) {
    const Shortcut& e = ExpectedShortcuts[i];
    EXPECT_EQ(DescribeShortcut(e.flags, e.key, e.command),
              DescribeShortcut(entries[i].fVirt, entries[i].key, entries[i].cmd))
        << "entry " << i;
  }
}

// The shortcut text a menu item shows for a control-key accelerator: "Ctrl+N".
std::string HintFor(const ACCEL& entry) {
  std::string hint;
  if (entry.fVirt & FCONTROL) hint += "Ctrl+";
  if (entry.fVirt & FALT) hint += "Alt+";
  if (entry.fVirt & FSHIFT) hint += "Shift+";
  if ((entry.fVirt & FVIRTKEY) && ((entry.key >= 'A' && entry.key <= 'Z') || (entry.key >= '0' && entry.key <= '9')))
    hint += static_cast<char>(entry.key);
  else
    hint += "key " + Hex(entry.key);
  return hint;
}

TEST_F(ProgramResources, EachMenuHintNamesTheShortcutOfItsCommand) {
  HACCEL table = LoadAcceleratorsA(Module, MAKEINTRESOURCEA(IDR_ACCEL));
  ASSERT_TRUE(table);
  ACCEL entries[8];
  int count = CopyAcceleratorTableA(table, entries, 8);
  std::vector<LoadedMenuItem> items = LoadedMenu(Module);
  ASSERT_FALSE(items.empty()) << "LoadMenuA(IDR_MAINMENU) failed";

  std::vector<bool> shown(count, false);
  for (const LoadedMenuItem& item : items) {
    if (item.popup || item.type == MFT_SEPARATOR) continue;
    size_t tab = item.text.find('\t');
    std::string hint = tab == std::string::npos ? "" : item.text.substr(tab + 1);
    std::string expected;
    for (int i = 0; i < count; ++i) {
      if (entries[i].cmd != item.id) continue;
      EXPECT_TRUE(expected.empty()) << "command " << item.id << " has more than one shortcut";
      expected = HintFor(entries[i]);
      shown[i] = true;
    }
    EXPECT_EQ(Visible(expected), Visible(hint)) << "hint of menu item " << Visible(item.text);
  }
  for (int i = 0; i < count; ++i)
    EXPECT_TRUE(shown[i]) << "shortcut " << HintFor(entries[i]) << " gives command " << entries[i].cmd
                          << ", which no menu item offers";
}

// ---------------------------------------------------------------------------------------------------------------
// Dialog templates

struct DialogItem {
  unsigned style, exStyle;
  int x, y, cx, cy;
  unsigned id;
  std::string cls, text;
  unsigned extraBytes;
};

struct DialogTemplate {
  bool extended = false;
  unsigned style = 0, exStyle = 0, count = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string menu, cls, caption, face;
  int pointSize = -1;
  std::vector<DialogItem> items;
  bool complete = false;  // every byte read, nothing past the end
};

// Class names of the predefined control atoms, so named and atom classes compare alike.
std::string ControlClass(std::string cls) {
  if (cls == "#128") return "BUTTON";
  if (cls == "#130") return "STATIC";
  for (char& c : cls) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return cls;
}

DialogTemplate ReadDialog(const std::vector<uint8_t>& raw) {
  DialogTemplate dialog;
  ResourceReader reader(raw);
  if (raw.size() >= 4 && raw[0] == 1 && raw[1] == 0 && raw[2] == 0xFF && raw[3] == 0xFF) {
    dialog.extended = true;
    return dialog;
  }
  dialog.style = reader.Dword();
  dialog.exStyle = reader.Dword();
  dialog.count = reader.Word();
  dialog.x = reader.Short();
  dialog.y = reader.Short();
  dialog.cx = reader.Short();
  dialog.cy = reader.Short();
  dialog.menu = reader.TextOrOrdinal();
  dialog.cls = reader.TextOrOrdinal();
  dialog.caption = reader.Text();
  if (dialog.style & DS_SETFONT) {
    dialog.pointSize = reader.Word();
    dialog.face = reader.Text();
  }
  for (unsigned i = 0; i < dialog.count && i < 64 && !reader.Overrun(); ++i) {
    reader.Align();
    DialogItem item;
    item.style = reader.Dword();
    item.exStyle = reader.Dword();
    item.x = reader.Short();
    item.y = reader.Short();
    item.cx = reader.Short();
    item.cy = reader.Short();
    item.id = reader.Word();
    item.cls = ControlClass(reader.TextOrOrdinal());
    item.text = reader.TextOrOrdinal();
    item.extraBytes = reader.Word();
    reader.Skip(item.extraBytes);
    dialog.items.push_back(item);
  }
  dialog.complete = reader.AtEndButPadding();
  return dialog;
}

std::string DescribeGeometry(int x, int y, int cx, int cy) {
  return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" + std::to_string(cy);
}

struct ExpectedControl {
  const char* cls;
  unsigned id;
  const char* text;  // nullptr: the program's own text, checked on its own
  unsigned style;
  int x, y, cx, cy;
};

struct ExpectedDialog {
  const char* name;
  unsigned id;
  unsigned style, exStyle;
  int x, y, cx, cy;
  int pointSize;
  const char* face;
  const char* caption;  // the About caption is only a prefix here
  bool captionIsPrefix;
  std::vector<ExpectedControl> controls;
};

const ExpectedDialog ExpectedDialogs[] = {
    {"IDD_ABOUT", IDD_ABOUT, 0x80CB00C0, 0, 20, 20, 168, 56, 10, "Arial", "About ", true,
     {{"BUTTON", IDOK, "OK", 0x50010001, 60, 38, 48, 14},
      {"STATIC", IDC_ABOUT_TEXT, nullptr, 0x50030001, 4, 4, 160, 28}}},
    {"IDD_WRITE_PROGRESS", IDD_WRITE_PROGRESS, 0x80C000C0, WS_EX_TOPMOST, 20, 20, 140, 25, 8, "Tahoma",
     "Writing TAVRIKX", false,
     {{"STATIC", IDC_PROGRESS_TEXT, "Initializing...", 0x50020000, 4, 4, 160, 28}}},
    {"IDD_READ_PROGRESS", IDD_READ_PROGRESS, 0x80C000C0, WS_EX_TOPMOST, 20, 20, 140, 25, 8, "Tahoma",
     "Reading TAVRIKX", false,
     {{"STATIC", IDC_PROGRESS_TEXT, "Initializing...", 0x50020000, 4, 4, 160, 28}}},
};

TEST_F(ProgramResources, DialogTemplatesAreStandardWithTheirStylesFontsAndControls) {
  for (const ExpectedDialog& e : ExpectedDialogs) {
    SCOPED_TRACE(e.name);
    std::vector<uint8_t> raw = Raw(RT_DIALOG, e.id);
    ASSERT_FALSE(raw.empty()) << "no US English RT_DIALOG " << e.id;
    DialogTemplate d = ReadDialog(raw);
    ASSERT_FALSE(d.extended) << "template begins 0x0001 0xFFFF (DLGTEMPLATEEX), expected a standard DLGTEMPLATE";
    EXPECT_TRUE(d.complete) << "template of " << raw.size() << " bytes not read exactly to its end";
    EXPECT_EQ(Hex(e.style), Hex(d.style)) << "style";
    EXPECT_EQ(Hex(e.exStyle), Hex(d.exStyle)) << "extended style";
    EXPECT_EQ(DescribeGeometry(e.x, e.y, e.cx, e.cy), DescribeGeometry(d.x, d.y, d.cx, d.cy)) << "position, size";
    EXPECT_EQ("\"\"", Visible(d.menu)) << "menu (none expected)";
    EXPECT_EQ("\"\"", Visible(d.cls)) << "dialog class (the default expected)";
    if (e.captionIsPrefix)
      EXPECT_EQ(Visible(e.caption), Visible(d.caption.substr(0, strlen(e.caption)))) << "caption begins";
    else
      EXPECT_EQ(Visible(e.caption), Visible(d.caption)) << "caption";
    EXPECT_EQ(e.pointSize, d.pointSize) << "font size";
    EXPECT_EQ(Visible(e.face), Visible(d.face)) << "font name";

    ASSERT_EQ(e.controls.size(), d.count) << "controls counted in the header";
    ASSERT_EQ(e.controls.size(), d.items.size()) << "controls read";
    for (size_t i = 0; i < d.items.size(); ++i) {
      const ExpectedControl& c = e.controls[i];
      const DialogItem& item = d.items[i];
      SCOPED_TRACE("control " + std::to_string(i));
      EXPECT_EQ(c.cls, item.cls) << "class";
      EXPECT_EQ(c.id, item.id) << "id";
      if (c.text) { EXPECT_EQ(Visible(c.text), Visible(item.text)) << "text"; }
      EXPECT_EQ(Hex(c.style), Hex(item.style)) << "style";
      EXPECT_EQ(Hex(0), Hex(item.exStyle)) << "extended style";
      EXPECT_EQ(DescribeGeometry(c.x, c.y, c.cx, c.cy), DescribeGeometry(item.x, item.y, item.cx, item.cy))
          << "position, size";
      EXPECT_EQ(0u, item.extraBytes) << "creation data bytes";
    }
  }
}

TEST_F(ProgramResources, AboutBoxNamesOnlyThisProductItsFileVersionAndAnExampleAddress) {
  DialogTemplate about = ReadDialog(Raw(RT_DIALOG, IDD_ABOUT));
  ASSERT_EQ(2u, about.items.size()) << "About box controls";

  const std::string prefix = "About ";
  ASSERT_EQ(Visible(prefix), Visible(about.caption.substr(0, prefix.size()))) << "caption begins";
  std::string model = about.caption.substr(prefix.size());
  EXPECT_TRUE(IsProductName(model)) << "caption " << Visible(about.caption) << ": expected \"About \" and a "
                                    << "model name of this product (TAVRIK-9)";

  std::string text = about.items[1].text;
  std::vector<std::string> lines = Split(text, '\n');
  ASSERT_EQ(3u, lines.size()) << "lines of " << Visible(text);
  EXPECT_EQ(std::string::npos, text.find('\r')) << "lines separated by single line feeds: " << Visible(text);
  EXPECT_EQ(Visible("TAVRIK9.exe version 2.7.4"), Visible(lines[0])) << "file name and version line";
  EXPECT_TRUE(IsOwnCopyrightNotice(lines[1])) << "copyright line";
  EXPECT_TRUE(IsReservedExampleAddress(lines[2]))
      << "web address line: got " << Visible(lines[2]) << ", expected an address in a reserved example domain";
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(ProgramResources, EachTemplateBuildsAHiddenDialogWithItsControls) {
  for (const ExpectedDialog& e : ExpectedDialogs) {
    SCOPED_TRACE(e.name);
    HRSRC found = FindResourceExA(Module, RT_DIALOG, MAKEINTRESOURCEA(e.id), UsEnglish);
    ASSERT_TRUE(found);
    auto templ = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(Module, found)));
    ASSERT_TRUE(templ);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), templ, NULL, QuietDialogProc, 0);
    ASSERT_TRUE(dialog) << "CreateDialogIndirectParamA failed, error " << GetLastError();
    EXPECT_FALSE(IsWindowVisible(dialog)) << "shown before anyone showed it";
    EXPECT_EQ(e.exStyle & WS_EX_TOPMOST, static_cast<unsigned>(GetWindowLongA(dialog, GWL_EXSTYLE)) & WS_EX_TOPMOST)
        << "topmost";
    EXPECT_EQ(e.style & WS_SYSMENU, static_cast<unsigned>(GetWindowLongA(dialog, GWL_STYLE)) & WS_SYSMENU)
        << "close box";
    int children = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(static_cast<int>(e.controls.size()), children) << "child windows";
    for (const ExpectedControl& c : e.controls) {
      HWND control = GetDlgItem(dialog, c.id);
      ASSERT_TRUE(control) << "no control " << c.id;
      char cls[64] = "", text[256] = "";
      GetClassNameA(control, cls, sizeof cls);
      GetWindowTextA(control, text, sizeof text);
      EXPECT_EQ(c.cls, ControlClass(cls)) << "class of control " << c.id;
      if (c.text) { EXPECT_EQ(Visible(c.text), Visible(text)) << "text of control " << c.id; }
      EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) << "control " << c.id << " lacks WS_VISIBLE";
    }
    DestroyWindow(dialog);
  }
}

// ---------------------------------------------------------------------------------------------------------------
// Icon

struct IconImage {
  int size, colours, bits;
};

const IconImage ExpectedIcons[] = {{16, 16, 4}, {32, 16, 4}, {32, 256, 8}, {16, 256, 8}};

std::string DescribeIconEntry(unsigned w, unsigned h, unsigned colours, unsigned reserved, unsigned planes,
                              unsigned bits) {
  return std::to_string(w) + "x" + std::to_string(h) + " colour count " + std::to_string(colours) + " reserved " +
         std::to_string(reserved) + " planes " + std::to_string(planes) + " bits " + std::to_string(bits);
}

TEST_F(ProgramResources, IconGroupListsFourImagesInOrder) {
  std::vector<uint8_t> group = Raw(RT_GROUP_ICON, IDI_MAIN);
  ASSERT_EQ(6 + 14 * std::size(ExpectedIcons), group.size()) << "bytes of RT_GROUP_ICON " << IDI_MAIN;
  ResourceReader reader(group);
  unsigned reserved = reader.Word(), type = reader.Word(), count = reader.Word();
  EXPECT_EQ(0u, reserved) << "header reserved word";
  EXPECT_EQ(1u, type) << "header type (1: icon)";
  ASSERT_EQ(std::size(ExpectedIcons), count) << "images in the group";
  std::vector<unsigned> ids;
  for (size_t i = 0; i < count; ++i) {
    const IconImage& e = ExpectedIcons[i];
    SCOPED_TRACE("group entry " + std::to_string(i));
    unsigned w = group[reader.Pos()], h = group[reader.Pos() + 1], colours = group[reader.Pos() + 2],
             entryReserved = group[reader.Pos() + 3];
    reader.Skip(4);
    unsigned planes = reader.Word(), bits = reader.Word(), bytes = reader.Dword(), id = reader.Word();
    EXPECT_EQ(DescribeIconEntry(e.size, e.size, e.colours == 256 ? 0 : e.colours, 0, 1, e.bits),
              DescribeIconEntry(w, h, colours, entryReserved, planes, bits));
    EXPECT_EQ(Raw(RT_ICON, id).size(), bytes) << "byte count against RT_ICON " << id;
    EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), id)) << "RT_ICON " << id << " named twice";
    ids.push_back(id);
  }
}

TEST_F(ProgramResources, EachIconImageIsABitmapWithColourTableAndMask) {
  std::vector<unsigned> ids = GroupIconIds(Raw(RT_GROUP_ICON, IDI_MAIN));
  ASSERT_EQ(std::size(ExpectedIcons), ids.size()) << "images in the group";
  for (size_t i = 0; i < ids.size(); ++i) {
    const IconImage& e = ExpectedIcons[i];
    SCOPED_TRACE("image " + std::to_string(i) + ", RT_ICON " + std::to_string(ids[i]));
    std::vector<uint8_t> raw = Raw(RT_ICON, ids[i]);
    ASSERT_GE(raw.size(), sizeof(BITMAPINFOHEADER)) << "image bytes";
    BITMAPINFOHEADER header;
    memcpy(&header, raw.data(), sizeof header);
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), header.biSize) << "header size";
    EXPECT_EQ(e.size, header.biWidth) << "width";
    EXPECT_EQ(2 * e.size, header.biHeight) << "height (colour bitmap and mask)";
    EXPECT_EQ(1, header.biPlanes) << "planes";
    EXPECT_EQ(e.bits, header.biBitCount) << "bits per pixel";
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression) << "compression";
    EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == static_cast<DWORD>(e.colours))
        << "colours used: got " << header.biClrUsed << ", expected 0 or " << e.colours;
    size_t colourRow = (e.size * e.bits + 31) / 32 * 4, maskRow = (e.size + 31) / 32 * 4;
    size_t expectedBytes = sizeof(BITMAPINFOHEADER) + 4 * e.colours + (colourRow + maskRow) * e.size;
    EXPECT_EQ(expectedBytes, raw.size()) << "bytes: header, " << e.colours << "-entry colour table, "
                                         << e.bits << "-bit bitmap and 1-bit mask";
  }
}

TEST_F(ProgramResources, IconLoadsAtSmallAndLargeSize) {
  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(LoadImageA(Module, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, size, size, 0));
    ASSERT_TRUE(icon) << "LoadImageA(IDI_MAIN) at " << size << ", error " << GetLastError();
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(DescribeGeometry(0, 0, size, size), DescribeGeometry(0, 0, bitmap.bmWidth, bitmap.bmHeight))
        << "colour bitmap of the icon loaded at " << size;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// ---------------------------------------------------------------------------------------------------------------
// Version record

const char* const VersionKeys[] = {"CompanyName",    "FileDescription",  "FileVersion", "InternalName",
                                   "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
                                   "ProductVersion"};

struct VersionNode {
  unsigned length, valueLength, type;
  std::string key;
  std::vector<uint8_t> value;
  std::vector<VersionNode> children;
  bool complete = true;
};

// Reads one node of the version record: header, key, value and children, each DWORD-aligned.
VersionNode ReadVersionNode(const std::vector<uint8_t>& raw, size_t start, int depth) {
  ResourceReader reader(raw);
  reader.Seek(start);
  VersionNode node;
  node.length = reader.Word();
  node.valueLength = reader.Word();
  node.type = reader.Word();
  node.key = reader.Text();
  reader.Align();
  size_t end = start + node.length;
  if (node.length < 6 || end > raw.size() || reader.Overrun()) {
    node.complete = false;
    return node;
  }
  size_t valueBytes = node.type == 1 ? 2 * node.valueLength : node.valueLength;
  if (reader.Pos() + valueBytes > end) {
    node.complete = false;
    return node;
  }
  node.value.assign(raw.begin() + reader.Pos(), raw.begin() + reader.Pos() + valueBytes);
  reader.Skip(valueBytes);
  reader.Align();
  while (reader.Pos() < end && depth < 4) {
    VersionNode child = ReadVersionNode(raw, reader.Pos(), depth + 1);
    node.complete = node.complete && child.complete;
    if (!child.complete) break;
    reader.Skip(child.length);
    reader.Align();
    node.children.push_back(child);
  }
  return node;
}

std::vector<std::string> ChildKeys(const VersionNode& node) {
  std::vector<std::string> keys;
  for (const VersionNode& child : node.children) keys.push_back(child.key);
  return keys;
}

TEST_F(ProgramResources, VersionRecordHoldsOneStringBlockAndOneTranslation) {
  std::vector<uint8_t> raw = Raw(RT_VERSION, VS_VERSION_INFO);
  ASSERT_FALSE(raw.empty()) << "no US English RT_VERSION 1";
  VersionNode root = ReadVersionNode(raw, 0, 0);
  ASSERT_TRUE(root.complete) << "version record of " << raw.size() << " bytes does not parse";
  EXPECT_EQ(raw.size(), root.length) << "record length";
  EXPECT_EQ("VS_VERSION_INFO", root.key);
  EXPECT_EQ(sizeof(VS_FIXEDFILEINFO), root.value.size()) << "fixed part bytes";

  std::vector<std::string> blocks = ChildKeys(root);
  const std::vector<std::string> expectedBlocks = {"StringFileInfo", "VarFileInfo"};
  ASSERT_EQ(expectedBlocks, blocks) << "blocks: got " << Join(blocks);

  const VersionNode& strings = root.children[0];
  ASSERT_EQ(std::vector<std::string>{"040904B0"}, ChildKeys(strings)) << "string blocks: got "
                                                                      << Join(ChildKeys(strings));
  std::vector<std::string> keys = ChildKeys(strings.children[0]);
  std::vector<std::string> expectedKeys(std::begin(VersionKeys), std::end(VersionKeys));
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(expectedKeys, keys) << "string keys: got " << Join(keys) << ", expected " << Join(expectedKeys);
  for (const VersionNode& value : strings.children[0].children)
    EXPECT_EQ(1u, value.type) << "value type of " << value.key << " (1: text)";

  const VersionNode& vars = root.children[1];
  ASSERT_EQ(std::vector<std::string>{"Translation"}, ChildKeys(vars)) << "variables: got " << Join(ChildKeys(vars));
  const std::vector<uint8_t> translation = {0x09, 0x04, 0xB0, 0x04};
  EXPECT_EQ(translation, vars.children[0].value) << "Translation: expected language 0x0409, code page 0x04B0";
}

class VersionInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(ProgramPath().c_str(), &ignored);
    ASSERT_GT(size, 0u) << "GetFileVersionInfoSizeA(" << ProgramPath() << "), error " << GetLastError();
    data.assign(size, 0xCC);
    ASSERT_TRUE(GetFileVersionInfoA(ProgramPath().c_str(), 0, size, data.data()));
  }
  std::vector<uint8_t> data;
};

TEST_F(VersionInfo, FixedPartGivesVersion2740ForAWindowsApplication) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &value, &length));
  ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length) << "bytes of the fixed part";
  const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  struct Case {
    const char* field;
    DWORD got, expected;
  };
  const Case cases[] = {
      {"signature", fixed->dwSignature, VS_FFI_SIGNATURE},
      {"structure version", fixed->dwStrucVersion, VS_FFI_STRUCVERSION},
      {"file version high (2.7)", fixed->dwFileVersionMS, MAKELONG(7, 2)},
      {"file version low (4.0)", fixed->dwFileVersionLS, MAKELONG(0, 4)},
      {"product version high (2.7)", fixed->dwProductVersionMS, MAKELONG(7, 2)},
      {"product version low (4.0)", fixed->dwProductVersionLS, MAKELONG(0, 4)},
      {"file flags mask", fixed->dwFileFlagsMask, 0x3F},
      {"file flags", fixed->dwFileFlags, 0},
      {"operating system", fixed->dwFileOS, VOS__WINDOWS32},
      {"file type", fixed->dwFileType, VFT_APP},
      {"file subtype", fixed->dwFileSubtype, 0},
      {"file date high", fixed->dwFileDateMS, 0},
      {"file date low", fixed->dwFileDateLS, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(c.expected), Hex(c.got)) << c.field;
}

TEST_F(VersionInfo, TranslationIsUsEnglishUnicode) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(4u, length) << "bytes of the translation list";
  const WORD* pair = static_cast<const WORD*>(value);
  EXPECT_EQ(Hex(0x0409), Hex(pair[0])) << "language";
  EXPECT_EQ(Hex(0x04B0), Hex(pair[1])) << "code page";
}

TEST_F(VersionInfo, StringValuesAreTheFixedTextsAndTheProgramsOwnNames) {
  enum Rule { Exact, Maker, Copyright, OwnWords };
  struct Case {
    const char* key;
    Rule rule;
    const char* expected;  // Exact only
  };
  const Case cases[] = {
      {"CompanyName", Maker, nullptr},
      {"FileDescription", Exact, "TAVRIK-9 Configuration Utility"},
      {"FileVersion", Exact, "33159.0"},
      {"InternalName", OwnWords, nullptr},
      {"LegalCopyright", Copyright, nullptr},
      {"LegalTrademarks", Exact, ""},
      {"OriginalFilename", Exact, "TAVRIK9.exe"},
      {"ProductName", OwnWords, nullptr},
      {"ProductVersion", Exact, "1.00"},
  };
  ASSERT_EQ(std::size(VersionKeys), std::size(cases));
  for (const Case& c : cases) {
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + c.key;
    char* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        << "VerQueryValueA(" << path << ")";
    ASSERT_TRUE(value) << path;
    std::string text = value;
    switch (c.rule) {
      case Exact:
        EXPECT_EQ(Visible(c.expected), Visible(text)) << c.key;
        break;
      case Maker:  // the product itself stands as maker
        EXPECT_TRUE(IsProductName(text)) << c.key << ": got " << Visible(text)
                                         << ", expected this product's own name as maker";
        break;
      case Copyright:
        EXPECT_TRUE(IsOwnCopyrightNotice(text)) << c.key;
        break;
      case OwnWords:
        EXPECT_TRUE(NamesOnlyThisProduct(text)) << c.key;
        break;
    }
  }
}

// Self-checks of the name rules, so they do reject what they must.
TEST(OwnNameRules, RejectRealNamesAndUnreservedDomains) {
  struct Case {
    const char* text;
    bool own;
  };
  const Case cases[] = {
      {"TAVRIK-9 Configuration Utility", true},
      {"Copyright (C) 2026 TAVRIK-9", true},
      {"www.example.com/tavrik9", true},
      {"https://tavrik9.example.org", true},
      {"Copyright (C) 2026 Acme Corporation", false},
      {"www.tavrik9.com", false},
      {"www.example.com.evil.net", false},
      {"John Smith", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.own, static_cast<bool>(NamesOnlyThisProduct(c.text))) << Visible(c.text);
}

}  // namespace
