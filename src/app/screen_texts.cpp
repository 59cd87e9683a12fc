#include "app/screen_texts.h"

namespace {

const char16_t* const helpLines[helpLineCount] = {
    u"Vellora Help:",
    u"Space, Enter or Mouswheel down - next image",
    u"Backspace or Mousewheel up - previous image",
    u"Escape or Alt+F4 - Quit Program",
    u"Right mouse button - show context menu",
    u"F1 - About dialog",
    u"F2 or double click with middle mouse button - toggle on/off current image file info",
    u"F9 - toggle on/off 3d view (red-cyan)",
    u"F11 - show/hide \"next\", \"previous\" and \"close\" buttons",
    u"F12 - toggle color management support on/off",
    u"Delete - try to delete the current graphic file",
    u"Insert - copy full filepath of current image file to the clipboard",
    nullptr,
    u"Command prompt syntax: \"Vellora.exe\" \"path to directory or file\" [/[a][c][s][3]]",
    u"(the optional \"/a\" parameter tells the program to search for images also in subdirectories)",
    u"(the optional \"/c\" parameter enables color management support on startup)",
    u"(the optional \"/s\" parameter tells the program to hide buttons at startup)",
    u"(the optional \"/3\" parameter enables 3d mode on startup)",
};

// Plain decimal digits as printf's %i and %lu give them: a sign only for
// negative numbers, no separators, no padding.
void appendDecimal(WideString& text, int64_t value)
{
    char16_t digits[24];
    int at = 24;
    uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    do {
        digits[--at] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--at] = u'-';
    text.append(digits + at, 24 - at);
}

// A text built from quoted path parts: empty when memory ran out, so that
// no cut text is ever shown.
WideString quotedPath(const char16_t* before, const WideString& path, const char16_t* after)
{
    WideString text(before);
    if (text.append(u"\"") && text.append(path) && text.append(u"\"") && text.append(after))
        return text;
    return WideString();
}

}  // namespace

WideString infoFileLine(const WideString& path)
{
    return quotedPath(u"File ", path, u"");
}

WideString infoImageLine(int32_t position, uint32_t count, int32_t width, int32_t height)
{
    WideString text(u"Image ");
    appendDecimal(text, position);
    text.append(u" of ");
    appendDecimal(text, count);
    text.append(u" (original resolution: ");
    appendDecimal(text, width);
    text.append(u"x");
    appendDecimal(text, height);
    text.append(u")");
    return text;
}

const char16_t* helpScreenLine(int line)
{
    return line >= 0 && line < helpLineCount ? helpLines[line] : nullptr;
}

WideString deleteQuestion(const WideString& path)
{
    return quotedPath(u"Are you sure you want to delete this file (", path, u")?");
}
