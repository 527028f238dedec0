// The Quality control's scaling of the JPEG quantisation tables: the arithmetic, and the tables
// found in frames the plug-in's saver writes.
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "saver_fixture.h"
#include "table_quality.h"

namespace {

using omfplugin::kQuantTableEntries;
using omfplugin::QualityScale;
using omfplugin::ScaleQuantTable;

using Table = std::array<uint8_t, kQuantTableEntries>;

Table Scaled(const Table& table, int scale) {
    Table out{};
    ScaleQuantTable(table, scale, out);
    return out;
}

TEST(QualityScale, LinearFromFiftyInverseBelow) {
    EXPECT_EQ(QualityScale(93), 14);
    EXPECT_EQ(QualityScale(10), 500);
    EXPECT_EQ(QualityScale(50), 100);
    EXPECT_EQ(QualityScale(49), 102);
    EXPECT_EQ(QualityScale(100), 0);
    EXPECT_EQ(QualityScale(1), 5000);
}

TEST(QualityScale, FractionsAreDroppedAndTheRangeIsOneToHundred) {
    EXPECT_EQ(QualityScale(93.9), 14);
    EXPECT_EQ(QualityScale(49.99), 102);
    EXPECT_EQ(QualityScale(0), 5000); // treated as 1
    EXPECT_EQ(QualityScale(0.5), 5000);
    EXPECT_EQ(QualityScale(-20), 5000);
    EXPECT_EQ(QualityScale(100.5), 0); // treated as 100
    EXPECT_EQ(QualityScale(1e300), 0);
    EXPECT_EQ(QualityScale(std::nan("")), 5000);
}

TEST(QuantTableScaling, EntriesRoundAndClampToOneAndTwoFiftyFive) {
    Table table{};
    table[0] = 16;
    table[1] = 51;  // x 500: 255.25 -> 255, the largest kept
    table[2] = 52;  // x 500: 260 -> clamped to 255
    table[3] = 1;   // x 50: 1.0 -> 1
    table[4] = 255; // x 100: unchanged
    const Table at500 = Scaled(table, 500);
    EXPECT_EQ(at500[1], 255);
    EXPECT_EQ(at500[2], 255);
    const Table at14 = Scaled(table, 14);
    EXPECT_EQ(at14[0], 2); // (16 x 14 + 50) / 100
    const Table at50 = Scaled(table, 50);
    EXPECT_EQ(at50[3], 1);
    const Table at49 = Scaled(table, 49);
    EXPECT_EQ(at49[3], 1); // 0.99 -> 0 -> clamped to 1
    EXPECT_EQ(Scaled(table, 100)[4], 255);
    EXPECT_EQ(Scaled(table, 101)[4], 255); // 257.55 -> clamped
    // Zeros (unused entries here) are raised to 1 at every scale.
    EXPECT_EQ(at500[10], 1);
    EXPECT_EQ(Scaled(table, 0)[0], 1);
}

// The 8-bit quantisation tables of a JPEG image's DQT markers, by table number.
std::vector<Table> QuantTables(const std::vector<uint8_t>& jpeg) {
    std::vector<Table> tables;
    for (std::size_t at = 0; at + 4 < jpeg.size(); ++at) {
        if (jpeg[at] != 0xFF || jpeg[at + 1] != 0xDB) continue;
        const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        std::size_t p = at + 4;
        while (p + 1 + kQuantTableEntries <= at + 2 + length && p + 65 <= jpeg.size()) {
            const std::size_t number = jpeg[p] & 0x0F;
            if (tables.size() <= number) tables.resize(number + 1);
            std::copy_n(jpeg.begin() + std::ptrdiff_t(p + 1), kQuantTableEntries,
                        tables[number].begin());
            p += 1 + kQuantTableEntries;
        }
    }
    return tables;
}

class SavedQualityTables : public saver_test::SaverTest {
  protected:
    // The quantisation tables of the first frame written with the JPEG codec at `quality`.
    std::vector<Table> TablesAt(double quality) {
        std::filesystem::remove(path_);
        saver_test::ImageOwner frame(saver_test::MakeImage(
            32, 16, [](int x, int y) { return saver_test::SmoothPixel(x, y, 0, 32, 16); }));
        EXPECT_TRUE(Save({"JPEG", nullptr, 25.0, quality}, {frame.get()}));
        const std::string raw = path_ + ".raw%d.jpg";
        const std::string command = std::string(OMFTOOL_PATH) + " frames " + path_ +
                                    " --index 1 --raw -o " + raw + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        char name[512];
        std::snprintf(name, sizeof name, raw.c_str(), 0);
        std::ifstream in(name, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        std::filesystem::remove(name);
        return QuantTables(bytes);
    }
};

TEST_F(SavedQualityTables, FramesCarryTheBuiltInTablesScaledByTheQuality) {
    // Quality 50 scales by 100: the built-in tables themselves (Annex K's luminance table
    // starts with 16).
    // One table per component: luminance, then the two chrominance components.
    const std::vector<Table> builtIn = TablesAt(50);
    ASSERT_EQ(builtIn.size(), 3u);
    EXPECT_EQ(builtIn[0][0], 16);
    for (double quality : {93.0, 10.0, 0.0, 100.0, 49.0}) {
        SCOPED_TRACE(quality);
        const std::vector<Table> tables = TablesAt(quality);
        ASSERT_EQ(tables.size(), 3u);
        const int scale = QualityScale(quality);
        for (std::size_t component = 0; component < 3; ++component)
            EXPECT_EQ(tables[component], Scaled(builtIn[component], scale)) << component;
    }
    // Quality 100 makes every entry 1.
    Table ones;
    ones.fill(1);
    EXPECT_EQ(TablesAt(100)[0], ones);
}

} // namespace
