// mkfonts: builds the editor's fonts.dat from the text glyph grids in this
// directory.
//
//   mkfonts OUTPUT.dat GRID.txt...
//
// Each grid file becomes one monochrome FONT object named after the file
// (fnt5x6.txt -> "fnt5x6"). Grid file format:
//
//   ; comment                 (also blank lines: ignored)
//   cell W H                  (once, before the first glyph)
//   char CODE [C]             (decimal code; C, if given, must be that char)
//   H rows of W pixels, '#' = ink, '.' = blank
//
// Every code from 32 to 126 must appear exactly once, so a missing or
// misnumbered glyph stops the build instead of shipping a hole.
//
// The datafile is written directly (uncompressed), which keeps this tool free
// of Allegro: it only has to run on the build machine, display or not.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 126;
constexpr int kGlyphCount = kLastChar - kFirstChar + 1;

constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
           (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}

// Values from Allegro's file.h / datafile.h.
constexpr uint32_t kNoPackMagic = 0x736C682E;  // "slh." = not LZSS-packed
constexpr uint32_t kDatMagic = fourcc('A', 'L', 'L', '.');
constexpr uint32_t kPropMagic = fourcc('p', 'r', 'o', 'p');
constexpr uint32_t kPropName = fourcc('N', 'A', 'M', 'E');
constexpr uint32_t kTypeFont = fourcc('F', 'O', 'N', 'T');

struct GridFont {
    std::string name;
    int w = 0, h = 0;
    std::vector<std::vector<std::string>> glyphs;  // [code - 32] -> rows
};

[[noreturn]] void fail(const std::string& where, int line, const std::string& msg) {
    throw std::runtime_error(where + ":" + std::to_string(line) + ": " + msg);
}

std::string stem(const std::string& path) {
    std::string base = path.substr(path.find_last_of("/\\") + 1);
    return base.substr(0, base.find('.'));
}

GridFont read_grid(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path + ": cannot open");

    GridFont f;
    f.name = stem(path);
    f.glyphs.resize(kGlyphCount);

    std::string line;
    int lineno = 0;
    int current = -1;  // glyph whose rows are being read
    while (std::getline(in, line)) {
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;

        const bool is_row = line.find_first_not_of("#.") == std::string::npos;
        if (is_row) {
            if (current < 0) fail(path, lineno, "pixel row before any 'char' line");
            if (int(f.glyphs[current].size()) == f.h)
                fail(path, lineno, "more than " + std::to_string(f.h) + " rows");
            if (int(line.size()) != f.w)
                fail(path, lineno, "row must be " + std::to_string(f.w) + " pixels wide");
            f.glyphs[current].push_back(line);
            continue;
        }

        std::istringstream ss(line);
        std::string word;
        ss >> word;
        if (current >= 0 && int(f.glyphs[current].size()) < f.h) {
            if (word == "char" || word == "cell")
                fail(path, lineno, "previous character has fewer than " + std::to_string(f.h) + " rows");
            fail(path, lineno, "rows may only hold '#' and '.'");
        }
        if (word == "cell") {
            if (f.w) fail(path, lineno, "second 'cell' line");
            if (!(ss >> f.w >> f.h) || f.w < 1 || f.h < 1 || f.w > 64 || f.h > 64)
                fail(path, lineno, "expected 'cell W H' with sizes 1..64");
        } else if (word == "char") {
            if (!f.w) fail(path, lineno, "'char' before 'cell'");
            int code = -1;
            if (!(ss >> code) || code < kFirstChar || code > kLastChar)
                fail(path, lineno, "character code must be 32..126");
            // The optional literal is a cross-check against typos in the code.
            std::string rest;
            std::getline(ss, rest);
            size_t p = rest.find_first_not_of(' ');
            if (p != std::string::npos && (rest.size() - p != 1 || rest[p] != char(code)))
                fail(path, lineno, "character after the code does not match it");
            current = code - kFirstChar;
            if (!f.glyphs[current].empty()) fail(path, lineno, "character defined twice");
        } else {
            fail(path, lineno, "expected 'cell', 'char' or a row of '#' and '.'");
        }
    }

    if (!f.w) throw std::runtime_error(path + ": no 'cell' line");
    for (int i = 0; i < kGlyphCount; ++i) {
        if (int(f.glyphs[i].size()) != f.h)
            throw std::runtime_error(path + ": character " + std::to_string(i + kFirstChar) +
                                     (f.glyphs[i].empty() ? " is missing" : " has too few rows"));
    }
    return f;
}

class Writer {
public:
    void u8(uint8_t v) { buf_.push_back(v); }
    void u16(uint16_t v) { u8(v >> 8); u8(v & 0xFF); }
    void u32(uint32_t v) { u16(v >> 16); u16(v & 0xFFFF); }
    void bytes(const std::vector<uint8_t>& b) { buf_.insert(buf_.end(), b.begin(), b.end()); }
    void str(const std::string& s) { buf_.insert(buf_.end(), s.begin(), s.end()); }
    const std::vector<uint8_t>& data() const { return buf_; }

private:
    std::vector<uint8_t> buf_;  // big-endian, as the datafile format wants
};

// FONT object body in the 3.9+ layout: one mono range covering 32..126,
// each glyph bit-packed MSB-first, rows padded to whole bytes.
std::vector<uint8_t> encode_font(const GridFont& f) {
    Writer w;
    w.u16(0);  // "new style" font
    w.u16(1);  // one range
    w.u8(1);   // monochrome
    w.u32(kFirstChar);
    w.u32(kLastChar);
    const int row_bytes = (f.w + 7) / 8;
    for (const auto& rows : f.glyphs) {
        w.u16(uint16_t(f.w));
        w.u16(uint16_t(f.h));
        for (const std::string& row : rows) {
            std::vector<uint8_t> packed(row_bytes, 0);
            for (int x = 0; x < f.w; ++x)
                if (row[x] == '#') packed[x / 8] |= uint8_t(0x80 >> (x % 8));
            w.bytes(packed);
        }
    }
    return w.data();
}

std::vector<uint8_t> build_datafile(const std::vector<GridFont>& fonts) {
    Writer w;
    w.u32(kNoPackMagic);
    w.u32(kDatMagic);
    w.u32(uint32_t(fonts.size()));
    for (const GridFont& f : fonts) {
        w.u32(kPropMagic);
        w.u32(kPropName);
        w.u32(uint32_t(f.name.size()));
        w.str(f.name);

        std::vector<uint8_t> body = encode_font(f);
        w.u32(kTypeFont);
        w.u32(uint32_t(body.size()));  // stored size
        w.u32(uint32_t(body.size()));  // positive = not compressed
        w.bytes(body);
    }
    return w.data();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: mkfonts OUTPUT.dat GRID.txt...\n";
        return 2;
    }
    try {
        std::vector<GridFont> fonts;
        for (int i = 2; i < argc; ++i) {
            fonts.push_back(read_grid(argv[i]));
            for (size_t j = 0; j + 1 < fonts.size(); ++j)
                if (fonts[j].name == fonts.back().name)
                    throw std::runtime_error(std::string(argv[i]) + ": duplicate font name");
        }
        std::vector<uint8_t> data = build_datafile(fonts);

        // Write beside the target and rename, so a failed run never leaves a
        // truncated fonts.dat that looks up to date.
        const std::string out = argv[1];
        const std::string tmp = out + ".tmp";
        {
            std::ofstream os(tmp, std::ios::binary | std::ios::trunc);
            os.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
            if (!os.flush()) throw std::runtime_error(tmp + ": write failed");
        }
        if (std::rename(tmp.c_str(), out.c_str()) != 0)
            throw std::runtime_error(out + ": cannot replace");
    } catch (const std::exception& e) {
        std::cerr << "mkfonts: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
