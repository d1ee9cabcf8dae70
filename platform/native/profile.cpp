// Private-profile (INI) files for native builds.
// Implements: GetPrivateProfileStringA, GetPrivateProfileIntA,
// WritePrivateProfileStringA (setting a key; deleting keys and sections is not).
//
// The observable rules are those of the Windows profile API: section and key
// names match without regard to case, the first matching section and the first
// matching key in it decide, white space around names and values is ignored
// when reading, a quoted value loses its quotes. A write changes or adds one line and keeps every other byte of
// the file; it goes to a temporary file that replaces the original only when
// complete, so a failed write never damages what was there. A symbolic link
// stays a link: the write goes to its target.
#include "paths.h"
#include "state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank((unsigned char)s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && IsBlank((unsigned char)s.back())) s.remove_suffix(1);
    return s;
}

unsigned char FoldCase(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (FoldCase((unsigned char)a[i]) != FoldCase((unsigned char)b[i])) return false;
    return true;
}

enum class LineKind { Section, Entry };

struct ParsedLine {
    LineKind Kind;
    std::string_view Name;
    std::string_view Value;
    bool HasValue;
};

ParsedLine ParseLine(std::string_view line) {
    std::string_view text = TrimLeft(line);
    if (!text.empty() && text.front() == '[') {
        size_t close = text.rfind(']');
        if (close != std::string_view::npos)
            return {LineKind::Section, Trim(text.substr(1, close - 1)), {}, false};
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {LineKind::Entry, Trim(text), {}, false};
    return {LineKind::Entry, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)), true};
}

// One line of a file: its text and the terminator that followed it ("" at the end).
struct Line {
    std::string_view Text;
    std::string_view End;
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        size_t newline = text.find('\n');
        if (newline == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        size_t length = newline;
        if (length > 0 && text[length - 1] == '\r') length--;
        lines.push_back({text.substr(0, length), text.substr(length, newline + 1 - length)});
        text.remove_prefix(newline + 1);
    }
    return lines;
}

enum class ReadResult { Ok, Missing, Failed };

constexpr std::string_view kUtf16ByteOrderMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianByteOrderMark = "\xFE\xFF";

enum class Encoding { Bytes, Utf16, Utf16BigEndian };

// A file that starts with a UTF-16 byte order mark (little- or big-endian) is
// a Unicode profile file: it is read as Unicode and written back as Unicode of
// the same order. Its text is handled here as UTF-8, unpaired surrogates
// included, so that decoding and encoding again give back every byte.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
    std::string out;
    out.reserve(bytes.size());
    const size_t low_byte = big_endian ? 1 : 0;
    auto unit = [&](size_t i) {
        return (uint32_t)(uint8_t)bytes[i + low_byte] | (uint32_t)(uint8_t)bytes[i + 1 - low_byte] << 8;
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | c >> 6);
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | c >> 12);
            out += (char)(0x80 | (c >> 6 & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | c >> 18);
            out += (char)(0x80 | (c >> 12 & 0x3F));
            out += (char)(0x80 | (c >> 6 & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    if (bytes.size() % 2) out += "\xEF\xBF\xBD";  // a lone last byte
    return out;
}

std::string Utf8ToUtf16(std::string_view text, bool big_endian) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](uint32_t unit) {
        const char low = (char)(unit & 0xFF), high = (char)(unit >> 8);
        out += big_endian ? high : low;
        out += big_endian ? low : high;
    };
    for (size_t i = 0; i < text.size();) {
        const uint8_t b = (uint8_t)text[i];
        const size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        uint32_t c = length == 1 ? b : b & (0x3F >> (length - 1));
        if (length > 1 && i + length > text.size()) {
            c = '?';  // cut short: cannot come from a decoded file
            i = text.size();
        } else {
            for (size_t k = 1; k < length; k++) c = c << 6 | ((uint8_t)text[i + k] & 0x3F);
            i += length;
        }
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

struct FileText {
    std::string Text;  // as UTF-8 for a Unicode file
    Encoding TextEncoding = Encoding::Bytes;
};

// Never blocks: a FIFO or a device where the file should be reads as a failure.
ReadResult ReadWholeFile(const std::string& path, FileText& out) {
    out = FileText{};
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return ReadResult::Failed;
    }
    std::string bytes;
    char chunk[65536];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, (size_t)got);
    close(fd);
    if (got < 0) return ReadResult::Failed;
    const bool little = bytes.compare(0, kUtf16ByteOrderMark.size(), kUtf16ByteOrderMark) == 0;
    const bool big = bytes.compare(0, kUtf16BigEndianByteOrderMark.size(), kUtf16BigEndianByteOrderMark) == 0;
    if (little || big) {
        out.TextEncoding = big ? Encoding::Utf16BigEndian : Encoding::Utf16;
        out.Text = Utf16ToUtf8(std::string_view(bytes).substr(kUtf16ByteOrderMark.size()), big);
    } else {
        out.Text = std::move(bytes);
    }
    return ReadResult::Ok;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    return text;
}

// Where a section and a key stand among the lines of a file; -1 when absent.
struct Location {
    long Section = -1;
    long SectionEnd = -1;  // one past the section's last line
    long Key = -1;
};

Location Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location where;
    for (size_t i = 0; i < lines.size(); i++) {
        ParsedLine parsed = ParseLine(lines[i].Text);
        if (parsed.Kind == LineKind::Section) {
            if (where.Section >= 0) {
                where.SectionEnd = (long)i;
                return where;
            }
            if (SameName(parsed.Name, section)) where.Section = (long)i;
            continue;
        }
        if (where.Section >= 0 && where.Key < 0 && !key.empty() && SameName(parsed.Name, key))
            where.Key = (long)i;
    }
    if (where.Section >= 0) where.SectionEnd = (long)lines.size();
    return where;
}

// The value stored for a key, or false when the key is absent or has no "=".
bool FindValue(std::string_view text, LPCSTR section, LPCSTR key, std::string_view& value) {
    if (!section || !key) return false;
    std::vector<Line> lines = SplitLines(WithoutByteOrderMark(text));
    Location where = Locate(lines, section, key);
    if (where.Key < 0) return false;
    ParsedLine parsed = ParseLine(lines[where.Key].Text);
    if (!parsed.HasValue) return false;
    value = parsed.Value;
    // The value is a string: it ends at a NUL byte.
    value = value.substr(0, value.find('\0'));
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

DWORD CopyTruncated(std::string_view text, LPSTR buffer, DWORD size) {
    if (!buffer || size == 0) return 0;
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return (DWORD)length;
}

int DigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The profile-integer reader: leading control characters and spaces skipped,
// one sign, a lower-case base prefix, digits up to the first that does not
// belong to the base, wrapping modulo 2^32.
UINT ParseProfileInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (unsigned char)text[i] <= ' ') i++;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char prefix = text[i + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < text.size(); i++) {
        int digit = DigitValue((unsigned char)text[i]);
        if (digit >= (int)base) break;
        value = value * base + (uint32_t)digit;
    }
    return negative ? 0u - value : value;
}

bool WriteReplacing(const std::string& path, const std::string& text, Encoding encoding) {
    const std::string content =
        encoding == Encoding::Utf16            ? std::string(kUtf16ByteOrderMark) + Utf8ToUtf16(text, false)
        : encoding == Encoding::Utf16BigEndian ? std::string(kUtf16BigEndianByteOrderMark) + Utf8ToUtf16(text, true)
                                               : text;
    std::string temporary = path + ".XXXXXX";
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) return false;
    struct stat info;
    if (stat(path.c_str(), &info) == 0) fchmod(fd, info.st_mode & 07777);
    else fchmod(fd, 0644);
    size_t done = 0;
    while (done < content.size()) {
        ssize_t wrote = write(fd, content.data() + done, content.size() - done);
        if (wrote <= 0) break;
        done += (size_t)wrote;
    }
    bool ok = done == content.size() && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
}

// The file a path names: a symbolic link stands for its target, which is
// what a write changes (the link stays), even a target not made yet.
std::string FileBehind(const std::string& path) {
    std::string file = path;
    for (int links = 0; links < 40; links++) {
        struct stat info;
        if (lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return file;
        std::vector<char> target((size_t)info.st_size + 1 + 4096);
        const ssize_t length = readlink(file.c_str(), target.data(), target.size() - 1);
        if (length <= 0) return file;
        const std::string to(target.data(), (size_t)length);
        const size_t slash = file.rfind('/');
        file = to[0] == '/' || slash == std::string::npos ? to : file.substr(0, slash + 1) + to;
    }
    return file;
}

std::string WithEntry(std::string_view original, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::string_view body = WithoutByteOrderMark(original);
    std::vector<Line> lines = SplitLines(body);
    std::string_view newline = (!lines.empty() && lines[0].End == "\r\n") ? "\r\n" : "\n";
    std::string entry = std::string(key) + "=" + std::string(value);
    Location where = Locate(lines, section, key);

    if (where.Key >= 0) {
        lines[where.Key].Text = entry;
    } else if (where.Section >= 0) {
        long after = where.Section;  // behind the section's last line that is not blank
        for (long i = where.Section + 1; i < where.SectionEnd; i++)
            if (!Trim(lines[i].Text).empty()) after = i;
        if (lines[after].End.empty()) lines[after].End = newline;
        lines.insert(lines.begin() + after + 1, Line{entry, newline});
    }

    std::string out(original.substr(0, original.size() - body.size()));
    for (const Line& line : lines) {
        out += line.Text;
        out += line.End;
    }
    if (where.Section < 0) {
        if (!lines.empty()) {
            if (lines.back().End.empty()) out += newline;
            out += newline;
        }
        out += "[" + std::string(section) + "]" + std::string(newline) + entry + std::string(newline);
    }
    return out;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size,
                               LPCSTR file) {
    FileText file_text;
    std::string_view value;
    if (ReadWholeFile(NativePath(file), file_text) == ReadResult::Ok && FindValue(file_text.Text, section, key, value))
        return CopyTruncated(value, buffer, size);
    // As documented: trailing blanks of the default are dropped.
    std::string_view def = fallback ? fallback : "";
    while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
    return CopyTruncated(def, buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file) {
    FileText file_text;
    std::string_view value;
    if (ReadWholeFile(NativePath(file), file_text) != ReadResult::Ok || !FindValue(file_text.Text, section, key, value) ||
        value.empty())
        return (UINT)fallback;
    return ParseProfileInteger(value);
}

// A file without write permission for its owner stands for a read-only file,
// which Windows refuses to change (whoever asks, root included).
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    if (!key || !value) native_platform::Unimplemented("WritePrivateProfileStringA", "deleting a key or a section");
    if (!section || !file || !*section || !*key) return FALSE;
    std::string path = FileBehind(NativePath(file));
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    FileText file_text;
    if (ReadWholeFile(path, file_text) == ReadResult::Failed) return FALSE;
    return WriteReplacing(path, WithEntry(file_text.Text, section, key, value), file_text.TextEncoding) ? TRUE : FALSE;
}
