#include "core/pdf_thai_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <vector>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

namespace core::pdf {
namespace {

constexpr char16_t kNikhahit = 0x0E4D, kSaraAa = 0x0E32, kSaraAm = 0x0E33;
constexpr std::size_t kTailBytes = 1024;
constexpr std::size_t kMaxObjectBytes = std::size_t(1) << 30;

// The canonical combining class of a Thai mark: the vowels below before the tone marks.
int combiningClass(char16_t c)
{
    if (c == 0x0E38 || c == 0x0E39)
        return 103;
    if (c == 0x0E3A)
        return 9;
    if (c >= 0x0E48 && c <= 0x0E4B)
        return 107;
    return 0;
}

bool isThaiMark(char16_t c) { return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E); }

// Marks as the shaper drew them, as they were typed: SARA AM back in one piece after its tone
// mark (the shaper draws NIKHAHIT before the tone mark and SARA AA after it), marks in canonical
// order (a vowel below before a tone mark).
std::u16string asTyped(std::u16string drawn)
{
    if (const std::size_t n = drawn.find(kNikhahit); n != std::u16string::npos && drawn.back() == kSaraAa) {
        drawn.erase(n, 1);
        drawn.back() = kSaraAm;
    }
    // Unicode's canonical ordering: swap neighbours of nonzero classes that stand out of order.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t k = 1; k < drawn.size(); ++k) {
            const int before = combiningClass(drawn[k - 1]), after = combiningClass(drawn[k]);
            if (before != 0 && after != 0 && before > after) {
                std::swap(drawn[k - 1], drawn[k]);
                swapped = true;
            }
        }
    }
    return drawn;
}


std::optional<std::uint32_t> hexValue(std::string_view s)
{
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

template <typename T>
std::optional<T> number(std::string_view s)
{
    T v{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::string hex4(std::uint32_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", unsigned(v & 0xFFFF));
    return buf;
}

// The whitespace-separated words of a text.
std::vector<std::string_view> words(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && space(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !space(text[i]))
            ++i;
        if (i > start)
            out.push_back(text.substr(start, i - start));
    }
    return out;
}

// The number after `key` in a dictionary's text ("/Length 9 0 R" gives 9 and indirect).
struct Ref {
    std::uint64_t value = 0;
    bool indirect = false;
};
std::optional<Ref> keyValue(std::string_view dict, std::string_view key)
{
    std::size_t at = 0;
    while ((at = dict.find(key, at)) != std::string_view::npos) {
        const std::size_t after = at + key.size();
        if (after < dict.size() && (std::isalnum(static_cast<unsigned char>(dict[after])) != 0)) {
            at = after;
            continue;
        }
        const auto ws = words(dict.substr(after, 40));
        if (ws.empty())
            return std::nullopt;
        // The value ends at a delimiter: "/Length 581 >>" or "/Contents 8 0 R\n".
        std::string_view first = ws[0];
        first = first.substr(0, first.find_first_of("/>]"));
        const auto v = number<std::uint64_t>(first);
        if (!v)
            return std::nullopt;
        Ref r{*v, false};
        if (ws.size() >= 3 && ws[1] == "0" && ws[2].substr(0, 1) == "R")
            r.indirect = true;
        return r;
    }
    return std::nullopt;
}

// UTF-16 code units of a CMap destination like <0E48> or <00660066>.
std::optional<std::u16string> destination(std::string_view token)
{
    if (token.size() < 2 || token.front() != '<' || token.back() != '>')
        return std::nullopt;
    const std::string_view digits = token.substr(1, token.size() - 2);
    if (digits.empty() || digits.size() % 4 != 0)
        return std::nullopt;
    std::u16string out;
    for (std::size_t i = 0; i < digits.size(); i += 4) {
        const auto v = hexValue(digits.substr(i, 4));
        if (!v)
            return std::nullopt;
        out.push_back(char16_t(*v));
    }
    return out;
}

using GlyphText = std::map<std::uint32_t, std::u16string>;

// The glyph-to-text map of a ToUnicode CMap as Qt writes it (bfrange with arrays or a start
// value, bfchar), with every private-use variant already read as its base character; and the
// CMap's text with those variants mended in place (same length, so its /Length holds).
bool readCmap(std::string& cmap, GlyphText* map)
{
    enum class Section { None, Range, Char } section = Section::None;
    std::size_t pos = 0;
    while (pos < cmap.size()) {
        std::size_t end = cmap.find('\n', pos);
        if (end == std::string::npos)
            end = cmap.size();
        const std::string_view line(cmap.data() + pos, end - pos);
        const auto ws = words(line);
        if (ws.size() == 2 && ws[1] == "beginbfrange")
            section = Section::Range;
        else if (ws.size() == 2 && ws[1] == "beginbfchar")
            section = Section::Char;
        else if (!ws.empty() && (ws[0] == "endbfrange" || ws[0] == "endbfchar"))
            section = Section::None;
        else if (section != Section::None && !ws.empty()) {
            // The destinations start after the one (bfchar) or two (bfrange) source codes.
            const std::size_t firstDest = section == Section::Char ? 1 : 2;
            if (ws.size() <= firstDest)
                return false;
            const auto lo = destination(ws[0]);
            const auto hi = section == Section::Range ? destination(ws[1]) : lo;
            if (!lo || !hi || lo->size() != 1 || hi->size() != 1 || (*hi)[0] < (*lo)[0])
                return false;
            std::vector<std::u16string> dests;
            bool array = false;
            for (std::size_t i = firstDest; i < ws.size(); ++i) {
                std::string_view t = ws[i];
                if (t.front() == '[') {
                    array = true;
                    t.remove_prefix(1);
                }
                if (!t.empty() && t.back() == ']')
                    t.remove_suffix(1);
                if (t.empty())
                    continue;
                auto d = destination(t);
                if (!d)
                    return false;
                for (char16_t& c : *d)
                    c = thaiVariantBase(c);
                // Mend the token in the CMap's text: same number of digits.
                const std::size_t at = std::size_t(t.data() - cmap.data()) + 1;
                for (std::size_t k = 0; k < d->size(); ++k)
                    cmap.replace(at + 4 * k, 4, hex4((*d)[k]));
                dests.push_back(std::move(*d));
            }
            const std::uint32_t first = (*lo)[0], last = (*hi)[0];
            if (array || section == Section::Char) {
                if (dests.size() != std::size_t(last - first + 1))
                    return false;
                for (std::uint32_t g = first; g <= last; ++g)
                    (*map)[g] = dests[g - first];
            } else {
                if (dests.size() != 1 || dests[0].empty())
                    return false;
                for (std::uint32_t g = first; g <= last; ++g) {
                    std::u16string d = dests[0];
                    d.back() = thaiVariantBase(char16_t(d.back() + (g - first)));
                    (*map)[g] = std::move(d);
                }
            }
        }
        pos = end + 1;
    }
    return true;
}

std::optional<std::string> inflate(std::string_view in)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return std::nullopt;
    std::string out;
    char buf[1 << 15];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = uInt(in.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = ::inflate(&z, Z_NO_FLUSH);
        out.append(buf, sizeof buf - z.avail_out);
        if (out.size() > kMaxObjectBytes)
            rc = Z_MEM_ERROR;
        if (rc == Z_BUF_ERROR && z.avail_in == 0)
            break;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        return std::nullopt;
    return out;
}

std::string deflate(std::string_view in)
{
    uLongf size = compressBound(uLong(in.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(in.data()),
                  uLong(in.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

std::string utf16Hex(const std::u16string& s)
{
    std::string out = "FEFF";
    for (char16_t c : s)
        out += hex4(c);
    return out;
}

// A page's content with each SARA AM cluster (NIKHAHIT, tone marks, SARA AA drawn one glyph a
// line) wrapped in a span that reads back as typed. `fonts` maps a font resource name to its
// glyph texts. nullopt when nothing needed mending.
const std::u16string kNoText;

std::optional<std::string> mendContent(std::string_view content, const std::map<std::string, const GlyphText*>& fonts)
{
    struct Glyph {
        std::size_t lineStart, lineEnd;
        const std::u16string* text;  // what the glyph's map says it reads as
    };
    std::string out;
    bool changed = false;
    const GlyphText* font = nullptr;
    std::vector<Glyph> run;  // the glyph lines of the current text object, in order
    std::size_t copied = 0;  // content before this has been written to `out`

    // Each word with Thai marks is wrapped whole: a reader spreads a span's text over the span's
    // width, so the marks keep their typed place even where a reader that lays text out by
    // position would put a mark after the next letter.
    const auto single = [](const Glyph& g) { return g.text->size() == 1 ? (*g.text)[0] : char16_t(0); };
    const auto blank = [&](const Glyph& g) { return single(g) == u'\t' || single(g) == u' '; };
    // One word of the run, glyphs [first, last): wrapped when it has a Thai mark.
    const auto mendWord = [&](std::size_t first, std::size_t last) {
        std::u16string typed;
        bool marks = false;
        for (std::size_t i = first; i < last; ++i) {
            if (!isThaiMark(single(run[i]))) {
                typed += *run[i].text;
                continue;
            }
            // The marks drawn over or under one consonant, and SARA AA when NIKHAHIT is among them.
            std::size_t j = i;
            std::u16string drawn;
            while (j < last && isThaiMark(single(run[j])))
                drawn += *run[j++].text;
            if (drawn.find(kNikhahit) != std::u16string::npos && j < last && single(run[j]) == kSaraAa)
                drawn += *run[j++].text;
            typed += asTyped(drawn);
            marks = true;
            i = j - 1;
        }
        if (!marks)
            return;
        out.append(content.substr(copied, run[first].lineStart - copied));
        out += "/Span <</ActualText <" + utf16Hex(typed) + ">>> BDC\n";
        out.append(content.substr(run[first].lineStart, run[last - 1].lineEnd - run[first].lineStart));
        out += "EMC\n";
        copied = run[last - 1].lineEnd;
        changed = true;
    };
    // Blanks stay outside the spans: a reader parts words at them as it would without spans.
    const auto flushRun = [&] {
        for (std::size_t i = 0; i < run.size();) {
            while (i < run.size() && blank(run[i]))
                ++i;
            std::size_t j = i;
            while (j < run.size() && !blank(run[j]))
                ++j;
            if (j > i)
                mendWord(i, j);
            i = j;
        }
        run.clear();
    };

    std::size_t pos = 0;
    bool inText = false, inSpan = false;
    const auto endsWith = [](std::string_view a, std::string_view b) {
        return a.size() >= b.size() && a.substr(a.size() - b.size()) == b;
    };
    while (pos < content.size()) {
        const std::size_t end = content.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? content.size() : end + 1;
        std::string_view line = content.substr(pos, next - pos);
        if (!line.empty() && line.back() == '\n')
            line.remove_suffix(1);
        if (line == "BT") {
            inText = true;
            run.clear();
        } else if (line == "ET") {
            flushRun();
            inText = false;
        } else if (inText && endsWith(line, " BDC")) {
            flushRun();
            inSpan = true;  // a span already there (a file mended before) is kept as it is
        } else if (inText && line == "EMC") {
            run.clear();
            inSpan = false;
        } else if (inText && !inSpan) {
            // One glyph a line: "dx dy Td <gggg> Tj".
            const std::size_t n = line.size();
            if (n > 13 && line.substr(n - 13, 5) == " Td <" && line.substr(n - 4) == "> Tj") {
                const auto g = hexValue(line.substr(n - 8, 4));
                const std::u16string* text = &kNoText;
                if (g && font)
                    if (const auto it = font->find(*g); it != font->end())
                        text = &it->second;
                run.push_back({pos, next, text});
            } else if (line.size() > 1 && line[0] == '/' && line.find(" Tf") != std::string_view::npos) {
                flushRun();
                const auto ws = words(line);
                const auto it = ws.size() >= 3 && ws[2] == "Tf" ? fonts.find(std::string(ws[0].substr(1))) : fonts.end();
                font = it == fonts.end() ? nullptr : it->second;
            } else {
                flushRun();
            }
        }
        pos = next;
    }
    flushRun();
    if (!changed)
        return std::nullopt;
    out.append(content.substr(copied));
    return out;
}

struct Object {
    std::uint32_t number = 0;
    std::uint64_t offset = 0, end = 0;
};

}  // namespace

char16_t thaiVariantBase(char16_t c)
{
    static constexpr char16_t kBase[] = {
        0x0E10, 0x0E34, 0x0E35, 0x0E36, 0x0E37,          // F700-F704
        0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,          // F705-F709 down and left
        0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,          // F70A-F70E down
        0x0E0D, 0x0E31, 0x0E4D, 0x0E47,                  // F70F-F712
        0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,          // F713-F717 left
        0x0E38, 0x0E39, 0x0E3A};                         // F718-F71A down
    return c >= 0xF700 && c <= 0xF71A ? kBase[c - 0xF700] : c;
}

std::string mendThaiText(std::uint64_t size, const ReadAt& read, const std::function<void(std::string_view)>& write)
{
    // The cross-reference table: "startxref\nN\n%%EOF" at the end, "xref\n0 K\n" and K entries.
    std::string tail;
    const std::uint64_t tailAt = size > kTailBytes ? size - kTailBytes : 0;
    if (!read(tailAt, std::size_t(size - tailAt), &tail))
        return "cannot read the end of the file";
    const std::size_t sx = tail.rfind("startxref");
    if (sx == std::string::npos)
        return "no startxref";
    std::optional<std::uint64_t> xrefAt;
    if (const auto ws = words(std::string_view(tail).substr(sx + 9)); !ws.empty())
        xrefAt = number<std::uint64_t>(ws[0]);
    if (!xrefAt || *xrefAt >= size)
        return "the cross-reference table is not where startxref says";
    std::string xref;
    if (!read(*xrefAt, std::size_t(size - *xrefAt), &xref) || xref.size() > kMaxObjectBytes)
        return "cannot read the cross-reference table";
    std::string_view x(xref);
    if (x.substr(0, 5) != "xref\n")
        return "not a classic cross-reference table";
    x.remove_prefix(5);
    const std::size_t headEnd = x.find('\n');
    const auto head = words(x.substr(0, headEnd));
    if (head.size() != 2 || head[0] != "0")
        return "a cross-reference table in more than one section";
    const auto count = number<std::uint32_t>(head[1]);
    if (!count || *count == 0 || x.size() < headEnd + 1 + std::size_t(*count) * 20)
        return "a short cross-reference table";
    x.remove_prefix(headEnd + 1);
    std::vector<Object> objects;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::string_view e = x.substr(std::size_t(i) * 20, 20);
        if (e[17] == 'f')
            continue;
        const auto off = number<std::uint64_t>(e.substr(0, 10));
        if (e[17] != 'n' || !off || *off >= *xrefAt)
            return "a bad cross-reference entry";
        objects.push_back({i, *off, 0});
    }
    const std::string_view trailer = x.substr(std::size_t(*count) * 20);
    const std::size_t trailerEnd = trailer.find("startxref");
    if (trailer.substr(0, 7) != "trailer" || trailerEnd == std::string_view::npos)
        return "no trailer";
    std::sort(objects.begin(), objects.end(), [](const Object& a, const Object& b) { return a.offset < b.offset; });
    for (std::size_t i = 0; i < objects.size(); ++i)
        objects[i].end = i + 1 < objects.size() ? objects[i + 1].offset : *xrefAt;
    if (objects.empty())
        return "no objects";

    const auto readObject = [&](const Object& o, std::string* text) {
        return o.end - o.offset <= kMaxObjectBytes && read(o.offset, std::size_t(o.end - o.offset), text);
    };
    // Each object stands alone from its offset to the next one's, "N 0 obj" to "endobj", as Qt
    // writes them: the rewrite relies on it, and a file written by it has the same shape again.
    const auto begins = [](const Object& o, std::string_view text) {
        const std::string head = std::to_string(o.number) + " 0 obj\n";
        return text.substr(0, head.size()) == head;
    };
    const auto whole = [&](const Object& o, std::string_view text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.remove_suffix(1);
        return begins(o, text) && text.size() >= 6 && text.substr(text.size() - 6) == "endobj";
    };
    const auto dictOf = [](std::string_view text) {
        const std::size_t stream = text.find("stream\n");
        return text.substr(0, stream);
    };

    // First pass: the fonts' maps, the pages' contents and the font resource names.
    std::map<std::uint32_t, std::uint32_t> toUnicodeOf;  // font object -> its ToUnicode object
    std::set<std::uint32_t> mapObjects;                  // the ToUnicode objects
    std::map<std::uint32_t, GlyphText> maps;             // ToUnicode object -> glyph texts
    std::map<std::uint32_t, bool> contents;              // page content objects
    std::map<std::string, std::uint32_t> fontNames;      // "F7" -> font object
    std::string text;
    constexpr std::uint64_t kHeadBytes = 4096;  // a dictionary's usual size, read before its stream
    for (const Object& o : objects) {
        // Only the dictionary matters here: a stream's data is not read.
        const bool head = o.end - o.offset > kHeadBytes;
        if (head ? !read(o.offset, std::size_t(kHeadBytes), &text) : !readObject(o, &text))
            return "cannot read object " + std::to_string(o.number);
        if (head && text.find("stream\n") == std::string::npos && !readObject(o, &text))
            return "cannot read object " + std::to_string(o.number);
        if (!begins(o, text))
            return "object " + std::to_string(o.number) + " is not where the cross-reference table says";
        const std::string_view dict = dictOf(text);
        if (const auto tu = keyValue(dict, "/ToUnicode"); tu && tu->indirect) {
            toUnicodeOf[o.number] = std::uint32_t(tu->value);
            mapObjects.insert(std::uint32_t(tu->value));
        }
        if (dict.find("/Type /Page\n") != std::string_view::npos)
            if (const auto c = keyValue(dict, "/Contents"); c && c->indirect)
                contents[std::uint32_t(c->value)] = true;
        // "/Font <<\n/F7 7 0 R\n>>" in a resource dictionary.
        if (const std::size_t f = dict.find("/Font <<"); f != std::string_view::npos) {
            const std::size_t close = dict.find(">>", f);
            if (close == std::string_view::npos)
                return "an unexpected font resource";
            const auto tokens = words(dict.substr(f + 8, close - f - 8));
            if (tokens.size() % 4 != 0)
                return "an unexpected font resource";
            for (std::size_t t = 0; t < tokens.size(); t += 4) {
                const auto obj = number<std::uint32_t>(tokens[t + 1]);
                if (tokens[t].size() < 2 || tokens[t][0] != '/' || !obj || tokens[t + 2] != "0" || tokens[t + 3] != "R")
                    return "an unexpected font resource";
                const std::string name(tokens[t].substr(1));
                if (const auto it = fontNames.find(name); it != fontNames.end() && it->second != *obj)
                    return "one font name for two fonts";
                fontNames[name] = *obj;
            }
        }
    }
    std::map<std::uint32_t, std::string> mendedCmaps;  // ToUnicode object -> its whole mended text
    for (const Object& o : objects) {
        if (mapObjects.count(o.number) == 0)
            continue;
        if (!readObject(o, &text))
            return "cannot read object " + std::to_string(o.number);
        if (!whole(o, text))
            return "object " + std::to_string(o.number) + " does not end where the next one begins";
        const std::size_t s = text.find("stream\n"), e = text.rfind("endstream");
        if (s == std::string::npos || e == std::string::npos || e < s || dictOf(text).find("/Filter") != std::string_view::npos)
            return "a ToUnicode map that is not plain text";
        std::string cmap = text.substr(s + 7, e - s - 7);
        GlyphText& map = maps[o.number];
        if (!readCmap(cmap, &map))
            return "a ToUnicode map not understood";
        mendedCmaps[o.number] = text.substr(0, s + 7) + cmap + text.substr(e);
    }
    std::map<std::string, const GlyphText*> fonts;
    for (const auto& [name, obj] : fontNames)
        if (const auto tu = toUnicodeOf.find(obj); tu != toUnicodeOf.end())
            fonts[name] = &maps[tu->second];

    // Second pass: everything copied in order, the maps and contents mended, a new table.
    std::string header;
    if (!read(0, std::size_t(objects.front().offset), &header))
        return "cannot read the header";
    std::uint64_t at = 0;
    const auto put = [&](std::string_view s) {
        write(s);
        at += s.size();
    };
    put(header);
    std::vector<std::uint64_t> offsets(*count, 0);
    for (const Object& o : objects) {
        offsets[o.number] = at;
        if (const auto m = mendedCmaps.find(o.number); m != mendedCmaps.end()) {
            put(m->second);
            continue;
        }
        if (!readObject(o, &text))
            return "cannot read object " + std::to_string(o.number);
        if (!whole(o, text))
            return "object " + std::to_string(o.number) + " does not end where the next one begins";
        if (contents.count(o.number) != 0) {
            const std::size_t s = text.find("stream\n"), e = text.rfind("\nendstream");
            const std::string_view dict = dictOf(text);
            if (s != std::string::npos && e != std::string::npos && e >= s + 7 &&
                dict.find("/FlateDecode") != std::string_view::npos) {
                const auto length = keyValue(dict, "/Length");
                std::string_view data(text.data() + s + 7, e - s - 7);
                if (length && !length->indirect && length->value <= data.size())
                    data = data.substr(0, std::size_t(length->value));
                const auto plain = inflate(data);
                if (!plain)
                    return "a page content that does not inflate";
                if (const auto mended = mendContent(*plain, fonts)) {
                    const std::string packed = deflate(*mended);
                    if (packed.empty())
                        return "cannot compress a page content";
                    const std::size_t lengthAt = dict.find("/Length");
                    const std::size_t lengthEnd =
                        lengthAt == std::string_view::npos ? lengthAt : dict.find_first_of("\n/>", lengthAt + 7);
                    if (lengthEnd == std::string_view::npos)
                        return "a page content without its length";
                    put(std::string_view(text).substr(0, lengthAt));
                    put("/Length " + std::to_string(packed.size()));
                    put(std::string_view(text).substr(lengthEnd, s + 7 - lengthEnd));
                    put(packed);
                    put(std::string_view(text).substr(e));
                    continue;
                }
            }
        }
        put(text);
    }
    const std::uint64_t newXref = at;
    std::string table = "xref\n0 " + std::to_string(*count) + "\n0000000000 65535 f \n";
    for (std::uint32_t i = 1; i < *count; ++i) {
        char entry[40];
        if (offsets[i] == 0)
            std::snprintf(entry, sizeof entry, "0000000000 65535 f \n");
        else
            std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offsets[i]));
        table += entry;
    }
    put(table);
    put(trailer.substr(0, trailerEnd));
    put("startxref\n" + std::to_string(newXref) + "\n%%EOF\n");
    return {};
}

std::string mendThaiTextFile(const std::string& path)
{
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return "cannot open " + path;
    const off_t size = ::lseek(in, 0, SEEK_END);
    const std::string tmp = path + ".mend";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    const auto read = [in](std::uint64_t offset, std::size_t length, std::string* text) {
        text->resize(length);
        std::size_t got = 0;
        while (got < length) {
            const ssize_t n = ::pread(in, text->data() + got, length - got, off_t(offset + got));
            if (n <= 0)
                return false;
            got += std::size_t(n);
        }
        return true;
    };
    std::string error = size <= 0 ? "an empty file" : out ? std::string() : "cannot write " + tmp;
    if (error.empty())
        error = mendThaiText(std::uint64_t(size), read, [&out](std::string_view s) { out.write(s.data(), std::streamsize(s.size())); });
    ::close(in);
    out.close();
    if (error.empty() && !out)
        error = "cannot write " + tmp;
    if (error.empty() && std::rename(tmp.c_str(), path.c_str()) != 0)
        error = "cannot replace " + path;
    if (!error.empty())
        std::remove(tmp.c_str());
    return error;
}

}  // namespace core::pdf
