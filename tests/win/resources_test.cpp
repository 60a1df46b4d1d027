// The program's embedded resources, read back from this test program, which links the same
// resource script: images, dialog templates, the menu, the icon, the version and the manifest.
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "resource.h"
#include "support.h"

namespace {

using namespace Gdiplus::DllExports;

constexpr WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr Gdiplus::PixelFormat kArgb = 0x0026200A; // PixelFormat32bppARGB
constexpr Gdiplus::PixelFormat kRgb = 0x00021808;  // PixelFormat24bppRGB

std::string_view ResourceBytes(const char* type, WORD id, WORD language = kChinesePrc)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (!resource)
        return {};
    return {static_cast<const char*>(::LockResource(::LoadResource(module, resource))),
            ::SizeofResource(module, resource)};
}

std::set<WORD> ResourceIds(const char* type)
{
    std::set<WORD> ids;
    ::EnumResourceNamesA(
        ::GetModuleHandleW(nullptr), type,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR found) -> BOOL {
            reinterpret_cast<std::set<WORD>*>(found)->insert(IS_INTRESOURCE(name) ? LOWORD(name) : 0);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

// Reads the little-endian structures of resource data; strings are UTF-16.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    template <typename T>
    T Get()
    {
        T value{};
        if (offset_ + sizeof(T) <= bytes_.size())
            std::memcpy(&value, bytes_.data() + offset_, sizeof(T));
        else
            overrun_ = true;
        offset_ += sizeof(T);
        return value;
    }
    std::u16string String()
    {
        std::u16string text;
        while (char16_t c = Get<char16_t>())
            text += c;
        return text;
    }
    // A name or an ordinal: 0xFFFF and a number, or a string (empty when there is none).
    std::u16string NameOrOrdinal(WORD* ordinal)
    {
        *ordinal = 0;
        if (Peek16() == 0xFFFF) {
            Get<WORD>();
            *ordinal = Get<WORD>();
            return {};
        }
        return String();
    }
    void Align(std::size_t to) { offset_ = (offset_ + to - 1) / to * to; }
    void Skip(std::size_t count) { offset_ += count; }
    std::size_t Offset() const { return offset_; }
    const char* Here() const { return bytes_.data() + offset_; }
    bool Overrun() const { return overrun_ || offset_ > bytes_.size(); }

private:
    WORD Peek16() const
    {
        WORD value = 0;
        if (offset_ + 2 <= bytes_.size())
            std::memcpy(&value, bytes_.data() + offset_, 2);
        return value;
    }
    std::string_view bytes_;
    std::size_t offset_ = 0;
    bool overrun_ = false;
};

struct DialogItem {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::u16string className;
    WORD classOrdinal = 0;
    std::u16string text;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;
    std::u16string menu, className, title;
    WORD menuOrdinal = 0, classOrdinal = 0;
    WORD pointSize = 0;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;
    bool overrun = false;
};

DialogTemplate ParseDialog(std::string_view bytes)
{
    DialogTemplate dialog;
    Reader in(bytes);
    dialog.extended = in.Get<WORD>() == 1 && in.Get<WORD>() == 0xFFFF;
    if (!dialog.extended)
        return dialog;
    in.Get<DWORD>(); // help id
    dialog.exStyle = in.Get<DWORD>();
    dialog.style = in.Get<DWORD>();
    const WORD count = in.Get<WORD>();
    in.Get<short>();
    in.Get<short>();
    dialog.cx = in.Get<short>();
    dialog.cy = in.Get<short>();
    dialog.menu = in.NameOrOrdinal(&dialog.menuOrdinal);
    dialog.className = in.NameOrOrdinal(&dialog.classOrdinal);
    dialog.title = in.String();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Get<WORD>();
        in.Get<WORD>(); // weight
        in.Get<BYTE>(); // italic
        dialog.charset = in.Get<BYTE>();
        dialog.typeface = in.String();
    }
    for (WORD i = 0; i < count; ++i) {
        in.Align(4);
        DialogItem item;
        in.Get<DWORD>(); // help id
        item.exStyle = in.Get<DWORD>();
        item.style = in.Get<DWORD>();
        item.x = in.Get<short>();
        item.y = in.Get<short>();
        item.cx = in.Get<short>();
        item.cy = in.Get<short>();
        item.id = in.Get<DWORD>();
        item.className = in.NameOrOrdinal(&item.classOrdinal);
        WORD textOrdinal = 0;
        item.text = in.NameOrOrdinal(&textOrdinal);
        in.Skip(in.Get<WORD>());
        dialog.items.push_back(item);
    }
    dialog.overrun = in.Overrun();
    return dialog;
}

// ------------------------------------------------------------------------------------------------
// Images

struct ImageFact {
    WORD id;
    int width;
    int height;
    Gdiplus::PixelFormat format;
};

constexpr ImageFact kImages[] = {
    {130, 888, 591, kArgb}, {131, 24, 24, kArgb},  {132, 24, 24, kArgb},   {133, 24, 24, kArgb},
    {135, 396, 591, kArgb}, {136, 536, 592, kArgb}, {137, 433, 591, kArgb}, {139, 95, 19, kRgb},
    {140, 95, 19, kRgb},    {142, 95, 19, kRgb},   {143, 95, 19, kRgb},    {144, 95, 19, kRgb},
    {154, 151, 5, kArgb},   {155, 14, 5, kArgb},   {156, 151, 5, kArgb},   {157, 5, 20, kArgb},
    {159, 151, 25, kArgb},  {160, 14, 25, kArgb},  {161, 151, 25, kArgb},
};

std::uint32_t BigEndian32(const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (std::uint32_t{b[0]} << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

TEST(Resources, NineteenPngImagesAndNoOther)
{
    std::set<WORD> expected;
    for (const ImageFact& image : kImages)
        expected.insert(image.id);
    EXPECT_EQ(ResourceIds("PNG"), expected);
}

TEST(Resources, EveryPngDecodesToItsSizeAndFormat)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    for (const ImageFact& fact : kImages) {
        SCOPED_TRACE(fact.id);
        const std::string_view png = ResourceBytes("PNG", fact.id);
        ASSERT_GT(png.size(), 33u) << "stored under type PNG in language 2052";
        // Signature, then the header chunk: 8 bits per sample, colour type 6 (RGBA) or 2 (RGB), not interlaced.
        ASSERT_EQ(png.substr(0, 8), std::string_view("\x89PNG\r\n\x1A\n", 8));
        ASSERT_EQ(png.substr(12, 4), "IHDR");
        EXPECT_EQ(BigEndian32(png.data() + 16), static_cast<std::uint32_t>(fact.width));
        EXPECT_EQ(BigEndian32(png.data() + 20), static_cast<std::uint32_t>(fact.height));
        EXPECT_EQ(png[24], 8);
        EXPECT_EQ(png[25], fact.format == kArgb ? 6 : 2);
        EXPECT_EQ(png[28], 0);

        IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size()));
        ASSERT_NE(stream, nullptr);
        Gdiplus::GpBitmap* bitmap = nullptr;
        EXPECT_EQ(GdipCreateBitmapFromStream(stream, &bitmap), Gdiplus::Ok);
        if (bitmap) {
            UINT width = 0, height = 0;
            Gdiplus::PixelFormat format = 0;
            GdipGetImageWidth(bitmap, &width);
            GdipGetImageHeight(bitmap, &height);
            GdipGetImagePixelFormat(bitmap, &format);
            EXPECT_EQ(static_cast<int>(width), fact.width);
            EXPECT_EQ(static_cast<int>(height), fact.height);
            EXPECT_EQ(format, fact.format);
            GdipDisposeImage(bitmap);
        }
        stream->Release();
    }
    Gdiplus::GdiplusShutdown(token);
}

// ------------------------------------------------------------------------------------------------
// Dialog templates

struct DialogFact {
    WORD id;
    DWORD style;
    DWORD exStyle;
    short cx, cy; // 0: any size
    WORD pointSize;
    std::u16string_view typeface;
    BYTE charset; // 0xFF: any
};

constexpr DWORD kLauncherStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU |
                                 WS_MINIMIZEBOX | DS_SETFONT | DS_FIXEDSYS | DS_NOFAILCREATE | DS_NOIDLEMSG;
constexpr DWORD kPageHostStyle = WS_CHILD | WS_CLIPCHILDREN | DS_SETFONT | DS_FIXEDSYS;

const DialogFact kDialogs[] = {
    {IDD_LUMVANE_DIALOG, kLauncherStyle, WS_EX_APPWINDOW | WS_EX_NOINHERITLAYOUT, 0, 0, 9, u"MS Shell Dlg", 0xFF},
    {IDD_PAGE_HOST, kPageHostStyle, WS_EX_NOACTIVATE, 316, 183, 8, u"MS Shell Dlg", 0xFF},
    {IDD_BACKDROP, 0x86000048, 0, 318, 182, 8, u"MS Shell Dlg", 0xFF},
    {IDD_CAPTION_BAR, 0x44000440, 0, 513, 19, 9, u"宋体", GB2312_CHARSET},
    {IDD_SIDE_BAR, 0x4C000040, 0, 21, 285, 9, u"宋体", 0},
    {IDD_BOTTOM_BAR, 0x4C000040, 0, 195, 17, 9, u"宋体", 0},
};

struct ButtonFact {
    DWORD id;
    short x;
};
constexpr ButtonFact kCaptionButtons[] = {{1001, 491}, {1002, 468}, {1003, 443}, {1004, 418}, {1005, 392}};

TEST(Resources, DialogTemplatesAreExactlyTheSix)
{
    EXPECT_EQ(ResourceIds(MAKEINTRESOURCEA(5)),
              (std::set<WORD>{IDD_LUMVANE_DIALOG, IDD_PAGE_HOST, IDD_BACKDROP, IDD_CAPTION_BAR, IDD_SIDE_BAR,
                              IDD_BOTTOM_BAR}));
}

TEST(Resources, DialogTemplateBytes)
{
    for (const DialogFact& fact : kDialogs) {
        SCOPED_TRACE(fact.id);
        const DialogTemplate dialog = ParseDialog(ResourceBytes(MAKEINTRESOURCEA(5), fact.id));
        ASSERT_TRUE(dialog.extended) << "a DLGTEMPLATEEX in language 2052";
        EXPECT_FALSE(dialog.overrun);
        EXPECT_EQ(dialog.style, fact.style) << std::hex << dialog.style;
        EXPECT_EQ(dialog.exStyle, fact.exStyle) << std::hex << dialog.exStyle;
        if (fact.cx) {
            EXPECT_EQ(dialog.cx, fact.cx);
            EXPECT_EQ(dialog.cy, fact.cy);
        }
        EXPECT_TRUE(dialog.menu.empty() && dialog.menuOrdinal == 0) << "no menu";
        EXPECT_TRUE(dialog.className.empty() && dialog.classOrdinal == 0) << "no window class";
        EXPECT_TRUE(dialog.title.empty()) << "no title";
        EXPECT_EQ(dialog.pointSize, fact.pointSize);
        EXPECT_EQ(dialog.typeface, fact.typeface);
        if (fact.charset != 0xFF) {
            EXPECT_EQ(dialog.charset, fact.charset);
        }
        EXPECT_EQ(dialog.items.size(), fact.id == IDD_CAPTION_BAR ? 5u : 0u);
    }
}

TEST(Resources, CaptionBarTemplateHoldsFiveOwnerDrawnButtons)
{
    const DialogTemplate dialog = ParseDialog(ResourceBytes(MAKEINTRESOURCEA(5), IDD_CAPTION_BAR));
    ASSERT_EQ(dialog.items.size(), std::size(kCaptionButtons));
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        const DialogItem& item = dialog.items[i];
        SCOPED_TRACE(item.id);
        EXPECT_EQ(item.id, kCaptionButtons[i].id);
        EXPECT_EQ(item.style, 0x5000000Bu) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_TRUE(item.classOrdinal == 0x0080 || ::lstrcmpiW(reinterpret_cast<const wchar_t*>(item.className.c_str()), L"Button") == 0)
            << "the Button class";
        EXPECT_TRUE(item.text.empty());
        EXPECT_EQ(item.x, kCaptionButtons[i].x);
        EXPECT_EQ(item.y, 0);
        EXPECT_EQ(item.cx, 22);
        EXPECT_EQ(item.cy, 19);
    }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The windows the templates make, with the plain dialog procedure: the styles they were given,
// where they belong and the controls they hold.
TEST(Resources, DialogTemplatesMakeTheirWindows)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HWND launcher = ::CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_LUMVANE_DIALOG), nullptr, &PlainDialogProc, 0);
    ASSERT_NE(launcher, nullptr) << ::GetLastError();
    EXPECT_TRUE(::IsWindowVisible(launcher));
    EXPECT_EQ(::GetParent(launcher), nullptr);
    EXPECT_EQ(WindowTitle(launcher), L"");

    for (const DialogFact& fact : kDialogs) {
        SCOPED_TRACE(fact.id);
        HWND window = fact.id == IDD_LUMVANE_DIALOG
                          ? launcher
                          : ::CreateDialogParamA(module, MAKEINTRESOURCEA(fact.id), launcher, &PlainDialogProc, 0);
        ASSERT_NE(window, nullptr);
        const auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE));
        EXPECT_EQ(style & fact.style, fact.style) << std::hex << style;
        // Beyond the template's own bits only what dialog creation itself adds.
        EXPECT_EQ(style & ~fact.style & 0xFFFF0000u, 0u) << std::hex << style;
        EXPECT_EQ(exStyle & fact.exStyle, fact.exStyle) << std::hex << exStyle;
        EXPECT_EQ(exStyle & ~(fact.exStyle | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT), 0u) << std::hex << exStyle;
        EXPECT_EQ(::IsWindowVisible(window) != FALSE, (fact.style & WS_VISIBLE) != 0);
        EXPECT_EQ(::IsWindowEnabled(window) != FALSE, (fact.style & WS_DISABLED) == 0);
        if (fact.style & WS_CHILD) {
            EXPECT_EQ(::GetAncestor(window, GA_PARENT), launcher);
        } else if (fact.id != IDD_LUMVANE_DIALOG) {
            EXPECT_EQ(::GetWindow(window, GW_OWNER), launcher);
        }

        if (fact.id == IDD_CAPTION_BAR) {
            for (const ButtonFact& button : kCaptionButtons) {
                HWND control = ::GetDlgItem(window, static_cast<int>(button.id));
                ASSERT_NE(control, nullptr) << button.id;
                char className[32] = {};
                ::GetClassNameA(control, className, sizeof(className));
                EXPECT_STREQ(className, "Button");
                EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE)), 0x5000000Bu);
                // Dialog units map to pixels one number at a time: position and size apart.
                RECT expected{button.x, 0, 22, 19};
                ::MapDialogRect(window, &expected);
                RECT actual;
                ::GetWindowRect(control, &actual);
                ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
                EXPECT_EQ(actual.left, expected.left) << button.id;
                EXPECT_EQ(actual.top, expected.top) << button.id;
                EXPECT_EQ(actual.right - actual.left, expected.right) << button.id;
                EXPECT_EQ(actual.bottom - actual.top, expected.bottom) << button.id;
            }
        }
        if (window != launcher)
            ::DestroyWindow(window);
    }
    ::DestroyWindow(launcher);
}

// ------------------------------------------------------------------------------------------------
// Menu, version, manifest, icon

std::u16string MenuText(HMENU menu, UINT position)
{
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return reinterpret_cast<const char16_t*>(text);
}

TEST(Resources, LauncherMenuHoldsItsThreeCommands)
{
    EXPECT_EQ(ResourceIds(MAKEINTRESOURCEA(4)), (std::set<WORD>{IDR_LAUNCHER_MENU}));
    ASSERT_FALSE(ResourceBytes(MAKEINTRESOURCEA(4), IDR_LAUNCHER_MENU).empty()) << "in language 2052";

    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LAUNCHER_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(::GetMenuItemCount(menu), 1);
    EXPECT_EQ(MenuText(menu, 0), u"弹出菜单");
    HMENU popup = ::GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(::GetMenuItemCount(popup), 3);
    const std::u16string texts[] = {u"刷新", u"清理缓存", u"退出"};
    for (UINT i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(::GetMenuItemID(popup, static_cast<int>(i)), ID_MENU_REFRESH + i);
        EXPECT_EQ(MenuText(popup, i), texts[i]);
        EXPECT_EQ(::GetSubMenu(popup, static_cast<int>(i)), nullptr);
        EXPECT_EQ(::GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR), 0u);
    }
    ::DestroyMenu(menu);
}

struct VersionNode {
    std::u16string key;
    std::string_view value; // bytes; for text values including the terminating zero
    std::vector<VersionNode> children;
};

VersionNode ParseVersionNode(std::string_view bytes)
{
    VersionNode node;
    Reader in(bytes);
    const WORD length = in.Get<WORD>();
    const WORD valueLength = in.Get<WORD>();
    const WORD type = in.Get<WORD>();
    node.key = in.String();
    in.Align(4);
    const std::size_t valueBytes = type == 1 ? valueLength * 2u : valueLength;
    node.value = bytes.substr(std::min(in.Offset(), bytes.size()), valueBytes);
    in.Skip(valueBytes);
    in.Align(4);
    while (in.Offset() + 6 <= std::min<std::size_t>(length, bytes.size())) {
        WORD childLength = 0;
        std::memcpy(&childLength, in.Here(), 2);
        if (childLength == 0)
            break;
        node.children.push_back(ParseVersionNode(bytes.substr(in.Offset(), childLength)));
        in.Skip(childLength);
        in.Align(4);
    }
    return node;
}

const VersionNode* Child(const VersionNode& node, std::u16string_view key)
{
    for (const VersionNode& child : node.children) {
        if (child.key == key)
            return &child;
    }
    return nullptr;
}

std::u16string TextValue(const VersionNode* node)
{
    if (!node)
        return u"(missing)";
    std::u16string text(node->value.size() / 2, u'\0');
    std::memcpy(text.data(), node->value.data(), text.size() * 2);
    return text.substr(0, text.find(u'\0'));
}

TEST(Resources, VersionIs1001WithOneChineseStringTable)
{
    const std::string_view bytes = ResourceBytes(MAKEINTRESOURCEA(16), 1);
    ASSERT_FALSE(bytes.empty()) << "version resource 1 in language 2052";
    const VersionNode root = ParseVersionNode(bytes);
    EXPECT_EQ(root.key, u"VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);

    const VersionNode* strings = Child(root, u"StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u);
    const VersionNode& table = strings->children[0];
    EXPECT_EQ(table.key, u"080404b0");
    EXPECT_EQ(TextValue(Child(table, u"FileVersion")), u"1.0.0.1");
    EXPECT_EQ(TextValue(Child(table, u"ProductVersion")), u"1.0.0.1");

    const VersionNode* variables = Child(root, u"VarFileInfo");
    ASSERT_NE(variables, nullptr);
    const VersionNode* translation = Child(*variables, u"Translation");
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(translation->value.size(), 4u) << "one language and code page";
    WORD pair[2];
    std::memcpy(pair, translation->value.data(), 4);
    EXPECT_EQ(pair[0], 0x0804);
    EXPECT_EQ(pair[1], 1200);
}

TEST(Resources, ManifestAsksForAdministratorAndDeclaresDpiAwareness)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(resource, nullptr);
    const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(module, resource))),
                               ::SizeofResource(module, resource));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    const std::size_t element = manifest.find("<dpiAware");
    ASSERT_NE(element, std::string::npos);
    const std::size_t start = manifest.find('>', element) + 1;
    std::string value = manifest.substr(start, manifest.find('<', start) - start);
    value.erase(0, value.find_first_not_of(" \t\r\n"));
    value.erase(value.find_last_not_of(" \t\r\n") + 1);
    EXPECT_EQ(value, "true");
    EXPECT_TRUE(::IsProcessDPIAware()) << "the loader applied the manifest";
}

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved, type, count;
};
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, IconIsOne64By64ImageOf32Bits)
{
    EXPECT_EQ(ResourceIds(MAKEINTRESOURCEA(14)), (std::set<WORD>{IDR_MAINFRAME}));
    const std::string_view group = ResourceBytes(MAKEINTRESOURCEA(14), IDR_MAINFRAME);
    ASSERT_EQ(group.size(), sizeof(IconGroupHeader) + sizeof(IconGroupEntry)) << "one entry";
    IconGroupHeader header;
    IconGroupEntry entry;
    std::memcpy(&header, group.data(), sizeof(header));
    std::memcpy(&entry, group.data() + sizeof(header), sizeof(entry));
    EXPECT_EQ(header.type, 1);
    EXPECT_EQ(header.count, 1);
    EXPECT_EQ(entry.width, 64);
    EXPECT_EQ(entry.height, 64);
    EXPECT_EQ(entry.bitCount, 32);
    EXPECT_EQ(ResourceIds(MAKEINTRESOURCEA(3)), (std::set<WORD>{entry.id}));

    const std::string_view image = ResourceBytes(MAKEINTRESOURCEA(3), entry.id);
    ASSERT_EQ(image.size(), entry.bytes);
    if (image.substr(0, 4) == "\x89PNG") {
        EXPECT_EQ(BigEndian32(image.data() + 16), 64u);
        EXPECT_EQ(BigEndian32(image.data() + 20), 64u);
        EXPECT_EQ(image[25], 6) << "RGBA";
    } else {
        BITMAPINFOHEADER bitmap;
        ASSERT_GE(image.size(), sizeof(bitmap));
        std::memcpy(&bitmap, image.data(), sizeof(bitmap));
        EXPECT_EQ(bitmap.biWidth, 64);
        EXPECT_EQ(bitmap.biHeight, 128) << "colour and mask";
        EXPECT_EQ(bitmap.biBitCount, 32);
    }

    HICON icon = static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleW(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP colour{};
    ::GetObjectA(info.hbmColor, sizeof(colour), &colour);
    EXPECT_EQ(colour.bmBitsPixel, 32);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
}

} // namespace
