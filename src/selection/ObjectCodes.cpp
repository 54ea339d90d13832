#include "selection/ObjectCodes.h"

#include <array>

namespace teleon {

namespace {

struct CodeText {
    const char* code;
    const char* text;
};

constexpr std::array<CodeText, 8> TypeTable{{
    {"GAL", "Galaxy"},
    {"STAR", "Star"},
    {"MLTS", "Multiple star"},
    {"OPNB", "Open star cluster with diffuse nebula"},
    {"OPEN", "Open star cluster"},
    {"GLOB", "Globular star cluster"},
    {"PNEB", "Planetary nebula"},
    {"DNEB", "Diffuse nebula"},
}};

// In slider order: the index is the finder's slider value.
constexpr std::array<CodeText, 7> QualityTable{{
    {"SU", "Very bright and very interesting shape"},
    {"EX", "Very bright or very interesting shape"},
    {"VG", "Bright and interesting or very bright"},
    {"GD", "Easy to see and interesting or bright"},
    {"FR", "Easy to see but not too interesting"},
    {"PR", "Easy to see with averted vision"},
    {"VP", "Difficult to see with averted vision"},
}};

// The telescope writes "GD" as "G" in some replies.
const QString ShortGood = QStringLiteral("G");

// Characters from (1-based) position first, count of them (-1: to the end); empty when the text
// is shorter.
QString field(const QString& text, int first, int count = -1) {
    return text.mid(first - 1, count);
}

} // namespace

QString DecodeObjectType(const QString& code) {
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Unknown (no data in catalog)");
    for (const CodeText& row : TypeTable)
        if (trimmed == QLatin1String(row.code))
            return QString::fromLatin1(row.text);
    return u'\'' + code + QStringLiteral("' (not in decode table)");
}

QString DecodeQuality(const QString& code) {
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty())
        return {};
    const int value = trimmed == ShortGood ? 3 : QualitySliderValue(trimmed);
    if (value >= 0)
        return QString::fromLatin1(QualityTable[value].text);
    return u'\'' + code + QStringLiteral("' (not in quality table)");
}

int QualitySliderValue(const QString& code) {
    for (int i = 0; i < int(QualityTable.size()); ++i)
        if (code == QLatin1String(QualityTable[i].code))
            return i;
    return -1;
}

QString QualityCodeOf(int sliderValue) {
    if (sliderValue < 0 || sliderValue >= int(QualityTable.size()))
        return {};
    return QString::fromLatin1(QualityTable[sliderValue].code);
}

ObjectInfo ParseObjectInfo(const QString& reply) {
    ObjectInfo info;
    info.name = field(reply, 1, 8).trimmed();
    info.coordinatesOnly = field(reply, 17) == QLatin1String("Coordinates Only");
    if (info.coordinatesOnly) {
        info.typeText = QStringLiteral("(coordinates only)");
        return info;
    }
    info.typeText = DecodeObjectType(field(reply, 13, 4));
    info.magnitude = field(reply, 20, 4).trimmed();
    info.size = field(reply, 28).trimmed();
    info.qualityText = DecodeQuality(field(reply, 10, 2));
    return info;
}

} // namespace teleon
