// A small reader for the fonts' text descriptors, for the authoring tools
// and the tests: it takes the char lines' rectangles and placements and
// checks each line's form instead of trusting it.
#pragma once

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fontdesc {

struct GlyphRecord {
    int id = 0, x = 0, y = 0, width = 0, height = 0, xoffset = 0, yoffset = 0, xadvance = 0;
};

struct Descriptor {
    std::vector<std::string> lines; // without their line ends
    bool allLinesEndWithCrLf = true;
    int declaredCount = -1;         // from "chars count=N"
    int lineHeight = -1, base = -1, scaleW = -1, scaleH = -1;
    std::map<int, GlyphRecord> glyphs;
    std::vector<std::string> badLines; // char lines that do not parse completely
};

inline int keyValue(const std::string& line, const std::string& key, int fallback)
{
    const std::string needle = " " + key + "=";
    const size_t at = line.find(needle);
    return at == std::string::npos ? fallback : std::atoi(line.c_str() + at + needle.size());
}

inline Descriptor parseDescriptor(const std::string& text)
{
    Descriptor d;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            d.allLinesEndWithCrLf = false;
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        else if (end < text.size())
            d.allLinesEndWithCrLf = false;
        d.lines.push_back(line);
        start = end + 1;
    }
    for (const std::string& line : d.lines) {
        if (line.rfind("common ", 0) == 0) {
            d.lineHeight = keyValue(line, "lineHeight", -1);
            d.base = keyValue(line, "base", -1);
            d.scaleW = keyValue(line, "scaleW", -1);
            d.scaleH = keyValue(line, "scaleH", -1);
        } else if (line.rfind("chars count=", 0) == 0) {
            d.declaredCount = std::atoi(line.c_str() + 12);
        } else if (line.rfind("char ", 0) == 0) {
            GlyphRecord g;
            int consumed = 0;
            const int fields = std::sscanf(line.c_str(),
                                           "char id=%d x=%d y=%d width=%d height=%d xoffset=%d yoffset=%d "
                                           "xadvance=%d page=0 chnl=15%n",
                                           &g.id, &g.x, &g.y, &g.width, &g.height, &g.xoffset, &g.yoffset,
                                           &g.xadvance, &consumed);
            if (fields != 8 || consumed != static_cast<int>(line.size()))
                d.badLines.push_back(line);
            else
                d.glyphs[g.id] = g;
        }
    }
    return d;
}

} // namespace fontdesc
