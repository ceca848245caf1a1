// Reading the older binary layout. The reader never runs past the data: each
// read asks for its bytes first and a shortfall ends the file there.
#include "document/legacyfile.h"

#include "expr/convertformula.h"

#include <algorithm>

Extended TLegacyReal::Value() const
{
    return DecodeLegacyReal(bytes.data());
}

bool TLegacyReal::IsEndMarker() const
{
    return bytes == LegacyEndBytes;
}

bool TLegacyReal::IsBlankMarker() const
{
    return bytes == LegacyBlankBytes;
}

bool TLegacyReal::IsCompassMarker() const
{
    return bytes == LegacyCompassBytes;
}

namespace {

// Thrown inside the reader only, when the data ends before a read.
struct TLegacyEnd {};

class TLegacyBytes {
public:
    explicit TLegacyBytes(std::string_view data) : data_(data) {}

    unsigned char Byte()
    {
        if (position_ >= data_.size())
            throw TLegacyEnd{};
        return static_cast<unsigned char>(data_[position_++]);
    }
    void Skip(std::size_t count)
    {
        if (data_.size() - position_ < count)
            throw TLegacyEnd{};
        position_ += count;
    }
    TLegacyReal Real()
    {
        if (data_.size() - position_ < 6)
            throw TLegacyEnd{};
        TLegacyReal real;
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), 6, real.bytes.begin());
        position_ += 6;
        return real;
    }
    // A formula up to and including terminator (or "#" when hash ends it
    // too): the six bytes after a number byte are taken as they stand, and
    // at most 256 bytes are read.
    std::string Formula(bool hash)
    {
        std::string formula;
        while (formula.size() < LegacyFormulaLimit) {
            const unsigned char byte = Byte();
            formula.push_back(static_cast<char>(byte));
            if (byte == LegacyEnd || (hash && byte == LegacyHash))
                break;
            if (byte == LegacyNumber)
                for (int i = 0; i < 6 && formula.size() < LegacyFormulaLimit; ++i)
                    formula.push_back(static_cast<char>(Byte()));
        }
        return formula;
    }
    // One text line up to LF, the CR before it dropped.
    std::string TextLine()
    {
        std::string line;
        for (;;) {
            const unsigned char byte = Byte();
            if (byte == '\n')
                break;
            line.push_back(static_cast<char>(byte));
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }
    [[nodiscard]] bool AtEnd() const { return position_ >= data_.size(); }

private:
    std::string_view data_;
    std::size_t position_ = 0;
};

void ReadRows(TLegacyBytes& bytes, std::vector<TLegacyRow>& rows)
{
    for (;;) {
        TLegacyRow row{bytes.Real(), bytes.Real()};
        if (row.x.IsEndMarker() && row.y.IsEndMarker())
            return;
        rows.push_back(row);
    }
}

void ReadPayload(TLegacyBytes& bytes, TLegacyRecord& record)
{
    switch (record.kind) {
    case 0:
    case 1:
    case 3:
        record.formulas.push_back(bytes.Formula(false));
        break;
    case 2:
    case 4:
        record.formulas.push_back(bytes.Formula(true));
        record.formulas.push_back(bytes.Formula(false));
        break;
    case 5:
        ReadRows(bytes, record.rows);
        record.primary = bytes.Byte();
        break;
    case 6:
        for (int i = 0; i < 6; ++i)
            record.reals.push_back(bytes.Real());
        record.primary = bytes.Byte();
        break;
    case 7:
        // The stored values of the area are not used; the list ends at the marker.
        while (!bytes.Real().IsEndMarker()) {
        }
        record.primary = bytes.Byte();
        break;
    case 8:
        record.primary = bytes.Byte();
        break;
    case 9:
        for (int i = 0; i < 8; ++i)
            record.reals.push_back(bytes.Real());
        record.primary = bytes.Byte();
        break;
    case 10:
        record.formulas.push_back(bytes.Formula(false));
        ReadRows(bytes, record.rows);
        break;
    case 11:
        record.formulas.push_back(bytes.Formula(false));
        record.formulas.push_back(bytes.Formula(false));
        break;
    default:
        break; // no payload
    }
}

} // namespace

void ReadLegacyFile(std::string_view data, TLegacyFile& file)
{
    TLegacyBytes bytes(data);
    try {
        bytes.Skip(2);
        for (auto& group : file.scalings)
            for (Extended& bound : group)
                bound = bytes.Real().Value();
        std::array<unsigned char, 21> settings{};
        for (unsigned char& byte : settings)
            byte = bytes.Byte();
        file.grid = settings[20];
        bytes.Skip(1);
        file.angleFactor = bytes.Real().Value();
    } catch (const TLegacyEnd&) {
        file.warnings.push_back({0, "the file ends inside its header", true});
        return;
    }
    for (;;) {
        const int number = static_cast<int>(file.records.size()) + 1;
        if (bytes.AtEnd() && number > 1) {
            file.warnings.push_back(
                {number - 1, "the file ends after this record without marking it the last", true});
            return;
        }
        TLegacyRecord record;
        bool complete = false;
        try {
            record.kind = bytes.Byte();
            const int pieces = bytes.Byte();
            record.colour = bytes.Byte();
            record.accuracy = bytes.Byte();
            record.p = bytes.Real();
            record.q = bytes.Real();
            ReadPayload(bytes, record);
            for (int i = 0; i < pieces; ++i)
                record.shown += bytes.TextLine();
            complete = true;
            const unsigned char last = bytes.Byte();
            file.records.push_back(std::move(record));
            if (last != 0)
                return;
        } catch (const TLegacyEnd&) {
            if (complete) {
                file.records.push_back(std::move(record));
                file.warnings.push_back(
                    {number, "the file ends after this record without marking it the last", true});
            } else {
                file.warnings.push_back({number, "the file ends inside this record; it was lost", true});
            }
            return;
        }
    }
}
