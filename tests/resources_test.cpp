// Reads the built program's own resources as data: inventory, menu, shortcut keys, dialog templates, icon and
// version record. Identifiers are written as numbers so that a wrong value in resource.h shows up here too.
#include <gtest/gtest.h>
#include <stdarg.h>
#include <stdint.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

HMODULE Program;  // TAVRIK9.exe, loaded as data for each test

std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// One item a line, with line feeds and tabs inside an item shown as \n and \t, so that a failure shows a diff.
std::string Lines(std::vector<std::string> items, bool sorted = false) {
  if (sorted) std::sort(items.begin(), items.end());
  std::string all;
  for (const std::string& item : items) {
    for (char c : item) all += c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
    all += '\n';
  }
  return all;
}

// Windows path of the built program; Wine shows the Unix root as drive Z:.
std::string ProgramPath() {
  std::string path = TAVRIK9_PROGRAM;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Little-endian reader over one resource's bytes; reading past the end sets bad and yields zeros.
struct Reader {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
  bool bad = false;

  unsigned Byte() { return pos < bytes.size() ? bytes[pos++] : (bad = true, 0u); }
  unsigned Word() {
    unsigned low = Byte();
    return low | Byte() << 8;
  }
  unsigned Dword() {
    unsigned low = Word();
    return low | Word() << 16;
  }
  int Short() { return static_cast<int16_t>(Word()); }
  // A NUL-terminated UTF-16 string; characters outside ASCII come out as 0x7F so that they never match.
  std::string Text() {
    std::string text;
    for (unsigned c = Word(); c && !bad; c = Word()) text += static_cast<char>(c < 0x80 ? c : 0x7F);
    return text;
  }
  // A dialog's name-or-ordinal field: "#n" for an ordinal.
  std::string TextOrOrdinal() {
    if (pos + 1 >= bytes.size() || bytes[pos] != 0xFF || bytes[pos + 1] != 0xFF) return Text();
    pos += 2;
    return Format("#%u", Word());
  }
  void Align() { pos = (pos + 3) & ~size_t(3); }
  // Everything read, with at most three zero bytes of padding left.
  bool AtEnd() const {
    return !bad && pos <= bytes.size() && bytes.size() - pos <= 3 &&
           std::all_of(bytes.begin() + pos, bytes.end(), [](uint8_t b) { return b == 0; });
  }
};

// The bytes of one resource, looked up in US English only; empty when it is not there.
Reader Raw(LPCSTR type, unsigned id) {
  HRSRC found = FindResourceExA(Program, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  auto data = found ? static_cast<const uint8_t*>(LockResource(LoadResource(Program, found))) : nullptr;
  return Reader{data ? std::vector<uint8_t>(data, data + SizeofResource(Program, found)) : std::vector<uint8_t>()};
}

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    Program = LoadLibraryExA(ProgramPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(Program) << "loading " << ProgramPath() << " failed, error " << GetLastError();
  }
  void TearDown() override { if (Program) FreeLibrary(Program); }
};

// --- Inventory: "type name language" for every stored resource

struct Inventory {
  std::vector<std::string> found;
  std::string type, name;
};

std::string ResourceName(LPCSTR name) {
  return IS_INTRESOURCE(name) ? Format("%u", unsigned(reinterpret_cast<uintptr_t>(name))) : Format("'%s'", name);
}

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR walk) {
  Inventory& inventory = *reinterpret_cast<Inventory*>(walk);
  inventory.found.push_back(inventory.type + " " + inventory.name + Format(" 0x%04X", language));
  return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR walk) {
  reinterpret_cast<Inventory*>(walk)->name = ResourceName(name);
  EnumResourceLanguagesA(module, type, name, OnLanguage, walk);
  return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR walk) {
  reinterpret_cast<Inventory*>(walk)->type = ResourceName(type);
  EnumResourceNamesA(module, type, OnName, walk);
  return TRUE;
}

TEST_F(Resources, StoresOnlyMenuAcceleratorsDialogsIconAndVersionOnceInUsEnglish) {
  Inventory inventory;
  EnumResourceTypesA(Program, OnType, reinterpret_cast<LONG_PTR>(&inventory));
  // No RT_STRING (6), no RT_MANIFEST (24), no second language; the RT_ICON images are those the group names.
  std::vector<std::string> expected = {"4 1002 0x0409", "5 1500 0x0409", "5 1600 0x0409", "5 1610 0x0409",
                                       "9 1051 0x0409", "14 1001 0x0409", "16 1 0x0409"};
  Reader group = Raw(RT_GROUP_ICON, 1001);
  group.pos = 4;
  for (unsigned i = 0, count = group.Word(); i < count && i < 16 && !group.bad; ++i) {
    group.pos = 6 + 14 * i + 12;
    expected.push_back(Format("3 %u 0x0409", group.Word()));
  }
  EXPECT_EQ(Lines(expected, true), Lines(inventory.found, true));
}

// --- Menu and shortcut keys

struct MenuItem {
  int level;  // 0: menu bar, 1: inside a pop-up
  unsigned flags, id;
  std::string text;
};

std::string Describe(const MenuItem& item) {
  return Format("%d flags 0x%X id %u ", item.level, item.flags, item.id) + item.text;
}

// Walks a standard menu template, each pop-up followed by its items.
void ReadMenuItems(Reader& reader, int level, std::vector<MenuItem>& items) {
  for (int guard = 0; guard < 50 && !reader.bad; ++guard) {
    MenuItem item = {level, reader.Word(), 0, ""};
    if (!(item.flags & MF_POPUP)) item.id = reader.Word();
    item.text = reader.Text();
    // A separator may be written as an empty item or with MF_SEPARATOR; both load alike.
    if (item.id == 0 && item.text.empty()) item.flags &= ~MF_SEPARATOR;
    items.push_back(item);
    if ((item.flags & MF_POPUP) && level < 3) ReadMenuItems(reader, level + 1, items);
    if (item.flags & MF_END) return;
  }
}

// The template's items; a leading pseudo-item reports a header or a length that is not the standard form's.
std::vector<MenuItem> MenuItems() {
  Reader reader = Raw(RT_MENU, 1002);
  unsigned version = reader.Word(), headerSize = reader.Word();
  std::vector<MenuItem> items;
  ReadMenuItems(reader, 0, items);
  if (version || headerSize || !reader.AtEnd())
    items.insert(items.begin(), {-1, version, headerSize, "template: version, header offset, not read to its end"});
  return items;
}

TEST_F(Resources, MenuIsAStandardTemplateOfPlainItemsInOrder) {
  const MenuItem expected[] = {
      {0, MF_POPUP, 0, "&File"}, {1, 0, 1003, "&New\tCtrl+N"}, {1, 0, 0, ""}, {1, 0, 1005, "&Open\tCtrl+O"},
      {1, 0, 1004, "&Save\tCtrl+S"}, {1, 0, 0, ""}, {1, MF_END, 1006, "E&xit"},
      {0, MF_POPUP | MF_END, 0, "&Help"}, {1, MF_END, 1501, "&About"}};
  std::vector<std::string> want, got;
  for (const MenuItem& item : expected) want.push_back(Describe(item));
  for (const MenuItem& item : MenuItems()) got.push_back(Describe(item));
  EXPECT_EQ(Lines(want), Lines(got)) << "level, flags (none checked or greyed), command, text";
}

std::vector<ACCEL> Accelerators() {
  HACCEL table = LoadAcceleratorsA(Program, MAKEINTRESOURCEA(1051));
  std::vector<ACCEL> entries(table ? CopyAcceleratorTableA(table, NULL, 0) : 0);
  if (!entries.empty()) CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
  return entries;
}

TEST_F(Resources, AcceleratorsAreCtrlNSAndOInOrder) {
  std::vector<std::string> got;
  for (const ACCEL& entry : Accelerators())
    got.push_back(Format("flags 0x%X key 0x%X command %u", entry.fVirt, entry.key, entry.cmd));
  // FVIRTKEY | FCONTROL and nothing else.
  const std::vector<std::string> expected = {"flags 0x9 key 0x4E command 1003", "flags 0x9 key 0x53 command 1004",
                                             "flags 0x9 key 0x4F command 1005"};
  EXPECT_EQ(Lines(expected), Lines(got));
}

// The hint a menu item shows for a shortcut: "Ctrl+N".
std::string HintFor(const ACCEL& entry) {
  bool plain = (entry.fVirt & FVIRTKEY) &&
               ((entry.key >= 'A' && entry.key <= 'Z') || (entry.key >= '0' && entry.key <= '9'));
  return Format(plain ? "%s%s%s%c" : "%s%s%s0x%X", entry.fVirt & FCONTROL ? "Ctrl+" : "",
                entry.fVirt & FALT ? "Alt+" : "", entry.fVirt & FSHIFT ? "Shift+" : "", entry.key);
}

TEST_F(Resources, EachMenuHintNamesTheShortcutOfItsCommand) {
  std::vector<ACCEL> shortcuts = Accelerators();
  std::vector<MenuItem> items = MenuItems();
  for (const MenuItem& item : items) {
    if ((item.flags & MF_POPUP) || item.text.empty()) continue;
    size_t tab = item.text.find('\t');
    std::string hint = tab == std::string::npos ? "" : item.text.substr(tab + 1), expected;
    for (const ACCEL& entry : shortcuts)
      if (entry.cmd == item.id) expected += (expected.empty() ? "" : " and ") + HintFor(entry);
    EXPECT_EQ(expected, hint) << "hint of menu item " << Describe(item);
  }
  for (const ACCEL& entry : shortcuts)
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [&](const MenuItem& item) { return item.id == entry.cmd; }))
        << HintFor(entry) << " gives command " << entry.cmd << ", which no menu item offers";
}

// --- Dialog templates: one line for the dialog, one for each control

std::string Geometry(Reader& reader) {
  int x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
  return Format(" at %d,%d size %dx%d", x, y, cx, cy);
}

std::vector<std::string> DescribeDialog(unsigned id) {
  Reader reader = Raw(RT_DIALOG, id);
  unsigned style = reader.Dword(), exStyle = reader.Dword(), count = reader.Word();
  if (style == 0xFFFF0001) return {"extended template (DLGTEMPLATEEX)"};
  std::string geometry = Geometry(reader), menu = reader.TextOrOrdinal(), dialogClass = reader.TextOrOrdinal(),
              caption = reader.Text();
  unsigned pointSize = style & DS_SETFONT ? reader.Word() : 0;
  std::string face = style & DS_SETFONT ? reader.Text() : "";
  std::vector<std::string> lines = {Format("style 0x%X exstyle 0x%X%s menu '%s' class '%s' caption '%s' font %u %s",
                                           style, exStyle, geometry.c_str(), menu.c_str(), dialogClass.c_str(),
                                           caption.c_str(), pointSize, face.c_str())};
  for (unsigned i = 0; i < count && i < 16 && !reader.bad; ++i) {
    reader.Align();
    unsigned itemStyle = reader.Dword(), itemExStyle = reader.Dword();
    std::string place = Geometry(reader);
    unsigned itemId = reader.Word();
    std::string cls = reader.TextOrOrdinal(), text = reader.TextOrOrdinal();
    unsigned extra = reader.Word();
    reader.pos += extra;
    cls = cls == "#128" ? "BUTTON" : cls == "#130" ? "STATIC" : cls;
    lines.push_back(Format("%s id %u '%s' style 0x%X exstyle 0x%X%s data %u", cls.c_str(), itemId, text.c_str(),
                           itemStyle, itemExStyle, place.c_str(), extra));
  }
  if (!reader.AtEnd()) lines.push_back("template not read exactly to its end");
  return lines;
}

TEST_F(Resources, DialogTemplatesAreStandardWithTheirStylesFontsAndControls) {
  const std::string progressText =
      "STATIC id 1601 'Initializing...' style 0x50020000 exstyle 0x0 at 4,4 size 160x28 data 0";
  // The About texts are the program's own choice: only this product's names and an example domain.
  const std::pair<unsigned, std::vector<std::string>> cases[] = {
      {1500,
       {"style 0x80CB00C0 exstyle 0x0 at 20,20 size 168x56 menu '' class '' caption 'About TAVRIK-9' font 10 Arial",
        "BUTTON id 1 'OK' style 0x50010001 exstyle 0x0 at 60,38 size 48x14 data 0",
        "STATIC id 1501 'TAVRIK9.exe version 2.7.4\nCopyright (C) 2026 TAVRIK-9\nwww.example.com/tavrik9' "
        "style 0x50030001 exstyle 0x0 at 4,4 size 160x28 data 0"}},
      {1600,
       {"style 0x80C000C0 exstyle 0x8 at 20,20 size 140x25 menu '' class '' caption 'Writing TAVRIKX' font 8 Tahoma",
        progressText}},
      {1610,
       {"style 0x80C000C0 exstyle 0x8 at 20,20 size 140x25 menu '' class '' caption 'Reading TAVRIKX' font 8 Tahoma",
        progressText}},
  };
  for (const auto& [id, lines] : cases) EXPECT_EQ(Lines(lines), Lines(DescribeDialog(id))) << "RT_DIALOG " << id;
}

// --- Icon

TEST_F(Resources, IconGroupHoldsFourBitmapImagesInOrder) {
  struct Image {
    unsigned size, colours, bits;
  };
  const Image expected[] = {{16, 16, 4}, {32, 16, 4}, {32, 256, 8}, {16, 256, 8}};
  Reader group = Raw(RT_GROUP_ICON, 1001);
  unsigned reserved = group.Word(), type = group.Word(), count = group.Word();
  ASSERT_EQ("reserved 0 type 1 images 4 bytes 62",
            Format("reserved %u type %u images %u bytes %u", reserved, type, count, unsigned(group.bytes.size())));
  for (const Image& e : expected) {
    unsigned width = group.Byte(), height = group.Byte(), colours = group.Byte(), zero = group.Byte();
    unsigned planes = group.Word(), bits = group.Word(), bytes = group.Dword(), id = group.Word();
    // Header, colour table, colour bitmap and one-bit mask, rows padded to DWORDs.
    unsigned imageBytes = 40 + 4 * e.colours + ((e.size * e.bits + 31) / 32 + (e.size + 31) / 32) * 4 * e.size;
    const char* entry = "%ux%u colours %u reserved %u planes %u bits %u bytes %u";
    EXPECT_EQ(Format(entry, e.size, e.size, e.colours % 256, 0, 1, e.bits, imageBytes),
              Format(entry, width, height, colours, zero, planes, bits, bytes))
        << "group entry for RT_ICON " << id;
    Reader image = Raw(RT_ICON, id);
    BITMAPINFOHEADER h = {};
    memcpy(&h, image.bytes.data(), std::min(image.bytes.size(), sizeof h));
    unsigned used = h.biClrUsed ? h.biClrUsed : h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
    const char* header = "header %u size %dx%d planes %u bits %u compression %u colours %u bytes %u";
    EXPECT_EQ(Format(header, 40, e.size, 2 * e.size, 1, e.bits, 0, e.colours, imageBytes),
              Format(header, UINT(h.biSize), int(h.biWidth), int(h.biHeight), h.biPlanes, h.biBitCount,
                     UINT(h.biCompression), used, unsigned(image.bytes.size())))
        << "RT_ICON " << id;
  }
}

// --- Version record

// Walks sibling nodes (length, value length, type, key, value, children; each part DWORD-aligned) into "path=value"
// lines, or "path" for a block without a value. Binary values show as hex words, the root's fixed part as DWORDs.
void ReadVersionNodes(Reader& reader, size_t end, const std::string& parent, std::vector<std::string>& lines) {
  while (reader.pos < end && !reader.bad) {
    size_t start = reader.pos;
    unsigned length = reader.Word(), valueLength = reader.Word(), type = reader.Word();
    std::string path = parent + reader.Text(), value;
    reader.Align();
    size_t nodeEnd = start + length, valueEnd = reader.pos + (type == 1 ? 2 : 1) * valueLength;
    if (length < 6 || nodeEnd > end || valueEnd > nodeEnd) {
      lines.push_back(path + " has a bad length");
      reader.bad = true;
      return;
    }
    if (type == 1 && valueLength) value = reader.Text();
    for (bool wide = parent.empty(); type != 1 && reader.pos + (wide ? 4 : 2) <= valueEnd;)
      value += Format(value.empty() ? "%0*X" : " %0*X", wide ? 8 : 4, wide ? reader.Dword() : reader.Word());
    reader.pos = valueEnd;
    reader.Align();
    size_t index = lines.size();
    lines.push_back(path);
    ReadVersionNodes(reader, nodeEnd, path + "/", lines);
    if (valueLength || lines.size() == index + 1) lines[index] += "=" + value;
    reader.pos = nodeEnd;
    reader.Align();
  }
}

TEST_F(Resources, VersionRecordHoldsItsFixedPartOneStringBlockAndOneTranslation) {
  Reader reader = Raw(RT_VERSION, 1);
  std::vector<std::string> lines;
  ReadVersionNodes(reader, reader.bytes.size(), "", lines);
  if (!reader.AtEnd()) lines.push_back("record not read exactly to its end");
  const std::string strings = "VS_VERSION_INFO/StringFileInfo/040904B0";
  std::vector<std::string> expected = {
      // Signature, structure version, file and product versions 2.7.4.0, flags mask 0x3F, flags 0, VOS__WINDOWS32,
      // VFT_APP, subtype 0, date 0.
      "VS_VERSION_INFO=FEEF04BD 00010000 00020007 00040000 00020007 00040000 0000003F 00000000 00000004 00000001 "
      "00000000 00000000 00000000",
      "VS_VERSION_INFO/StringFileInfo",
      strings,
      // The maker and the copyright holder are the program's own choice: the product stands as its own maker.
      strings + "/CompanyName=TAVRIK-9",
      strings + "/FileDescription=TAVRIK-9 Configuration Utility",
      strings + "/FileVersion=33159.0",
      strings + "/InternalName=TAVRIK9",
      strings + "/LegalCopyright=Copyright (C) 2026 TAVRIK-9",
      strings + "/LegalTrademarks=",
      strings + "/OriginalFilename=TAVRIK9.exe",
      strings + "/ProductName=TAVRIK-9 Configuration Utility",
      strings + "/ProductVersion=1.00",
      "VS_VERSION_INFO/VarFileInfo",
      "VS_VERSION_INFO/VarFileInfo/Translation=0409 04B0",
  };
  EXPECT_EQ(Lines(expected, true), Lines(lines, true));  // keys in any order
}

}  // namespace
