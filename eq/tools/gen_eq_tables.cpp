// Writes the EQ response tables as C++ sources. Every row is an analog
// prototype response sampled on the 1/24-octave grid, so this file is the
// definition of the tables: change a formula here, and the rows follow.
//
// usage: gen_eq_tables <output directory>

#include "calc_eq.h"
#include "tbl_eq_bpf_par.h"
#include "tbl_eq_geq.h"
#include "tbl_eq_hpf.h"
#include "tbl_eq_not.h"
#include "tbl_eq_peq.h"
#include "tbl_eq_she.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Complex = std::complex<double>;

// The shared Q list: Q indices 2k and 2k+1 both stand for kQList[k].
// Peaking, band-pass and filter rows use k = 0..44, notch rows k = 0..56.
const double kQList[] = {0.10, 0.11, 0.125, 0.14, 0.16, 0.18, 0.20, 0.22, 0.25, 0.28, 0.32, 0.35,
                         0.40, 0.45, 0.50,  0.56, 0.63, 0.70, 0.80, 0.90, 1.0,  1.1,  1.25, 1.4,
                         1.6,  1.8,  2.0,   2.2,  2.5,  2.8,  3.2,  3.5,  4.0,  4.5,  5.0,  5.6,
                         6.3,  7.0,  8.0,   9.0,  10,   11,   12.5, 14,   16,   18,   20,   22,
                         25,   28,   32,    35,   40,   45,   50,   56,   63};

// Curve units per octave of magnitude: 6 dB = a factor of two = 3072 units.
constexpr double kUnitsPerDoubling = 3072.0;
// Edge rows are sampled up to here; every row has reached 0 long before.
constexpr int kEdgeSearchEnd = 2 * EQ_ROW_CENTRE + 8 * EQ_STEPS_PER_OCTAVE;
// Band-pass rows use a slightly wider Q than the band's nominal one.
constexpr double kBandPassQFactor = 0.794;
// Graphic-EQ band shapes by shape index: the larger the gain, the narrower the band.
const double kGeqShapeQ[GEQ_SHAPES] = {10, 9, 8, 7, 6.3, 5.6, 5.0, 4.5};

double qForIndex(int qIndex)
{
    return kQList[qIndex / 2];
}

// K: linear gain of G dB with 6 dB taken as a factor of two.
double gainFactor(double dB)
{
    return std::pow(2.0, dB / 6.0);
}

// s = j*w on the grid: w = 2^(steps/24), 1 at the nominal frequency; the graphic-EQ display
// samples 27 steps per octave.
Complex sAt(double steps, double stepsPerOctave = EQ_STEPS_PER_OCTAVE)
{
    return {0.0, std::pow(2.0, steps / stepsPerOctave)};
}

// 3072 * log2|H| rounded half away from zero, floored at the 16-bit minimum.
int toCurveUnits(Complex h)
{
    const double units = kUnitsPerDoubling * std::log2(std::abs(h));
    return units < EQ_ROW_FLOOR ? EQ_ROW_FLOOR : int(std::lround(units));
}

// The analog prototypes, normalised to w = 1.
Complex peaking(Complex s, double K, double Q)
{
    return (s * s + (K / Q) * s + 1.0) / (s * s + s / Q + 1.0);
}
Complex highPass1(Complex s)
{
    return s / (s + 1.0);
}
Complex highPass2(Complex s, double Q)
{
    return s * s / (s * s + s / Q + 1.0);
}
Complex notch(Complex s, double Q)
{
    return (s * s + 1.0) / (s * s + s / Q + 1.0);
}
Complex lowShelf1(Complex s, double K)
{
    return (s + K) / (s + 1.0);
}
Complex lowShelf2(Complex s, double K)
{
    const Complex h = (s + std::sqrt(K)) / (s + 1.0);
    return h * h;
}
Complex bandPass(Complex s, double Q)
{
    return (s / Q) / (s * s + s / Q + 1.0);
}

using Row = std::vector<int>; // header words, then values

// A centred row: table index i lies centre - i steps from the centre (240 for
// the calculator's rows). Stored from the lowest index whose value is non-zero
// up to the centre.
Row centredRow(const std::function<int(double steps)> &valueAt, int centre = EQ_ROW_CENTRE)
{
    int first = centre;
    while (first > 0 && valueAt(centre - (first - 1)) != 0)
        --first;
    Row row = {EQ_ROW_CENTRED, first};
    for (int i = first; i <= centre; ++i)
        row.push_back(valueAt(centre - i));
    return row;
}

// An edge row: table index i lies at i - 240 steps. Stored from index 0 up
// to the last non-zero value.
Row edgeRow(const std::function<int(double steps)> &valueAt)
{
    std::vector<int> values;
    for (int i = 0; i < kEdgeSearchEnd; ++i)
        values.push_back(valueAt(i - EQ_ROW_CENTRE));
    if (values.back() != 0) {
        std::fprintf(stderr,
                     "gen_eq_tables: an edge row does not settle within the search range\n");
        std::exit(1);
    }
    while (!values.empty() && values.back() == 0)
        values.pop_back();
    Row row = {EQ_ROW_EDGE, int(values.size())};
    row.insert(row.end(), values.begin(), values.end());
    return row;
}

// A table: distinct rows, and for every pointer the row it points at.
struct Table
{
    std::string name;
    std::vector<Row> rows;
    std::vector<int> pointers;
};

// Adds a row unless an identical one exists (the Q pairs), returns its number.
int addRow(Table &table, Row row)
{
    const auto it = std::find(table.rows.begin(), table.rows.end(), row);
    if (it != table.rows.end())
        return int(it - table.rows.begin());
    table.rows.push_back(std::move(row));
    return int(table.rows.size() - 1);
}

Table peqTable()
{
    Table t {"peq_table", {}, {}};
    for (int q = 0; q < PEQ_Q_COUNT; ++q) {
        for (int k = 0; k < PEQ_GAIN_ROWS; ++k) {
            const double K = gainFactor(k + 1), Q = qForIndex(q);
            t.pointers.push_back(addRow(
                    t, centredRow([&](double d) { return toCurveUnits(peaking(sAt(d), K, Q)); })));
        }
    }
    return t;
}

Table hpfTable()
{
    Table t {"hpf_table", {}, {}};
    const int firstOrder =
            addRow(t, edgeRow([](double d) { return toCurveUnits(highPass1(sAt(d))); }));
    for (int q = 0; q < HPF_Q_COUNT; ++q)
        t.pointers.push_back(firstOrder);
    for (int q = 0; q < HPF_Q_COUNT; ++q) {
        const double Q = qForIndex(q);
        t.pointers.push_back(
                addRow(t, edgeRow([&](double d) { return toCurveUnits(highPass2(sAt(d), Q)); })));
    }
    return t;
}

Table notchTable()
{
    Table t {"notch_table", {}, {}};
    for (int q = 0; q < NOTCH_TABLE_SIZE; ++q) {
        const double Q = qForIndex(q);
        t.pointers.push_back(
                addRow(t, centredRow([&](double d) { return toCurveUnits(notch(sAt(d), Q)); })));
    }
    return t;
}

Table bandPassTable()
{
    Table t {"bpf_parallel_table", {}, {}};
    for (int q = 0; q < BPF_TABLE_SIZE; ++q) {
        const double Q = kBandPassQFactor * qForIndex(q);
        t.pointers.push_back(addRow(t, centredRow([&](double d) {
                                        return int(std::lround(BPF_CENTRE_VALUE
                                                               * std::abs(bandPass(sAt(d), Q))));
                                    })));
    }
    return t;
}

// Graphic-EQ display rows: peaking shapes of g + 1 dB, 27 steps per octave
// around index 270, one row per pointer.
Table geqTable()
{
    Table t {"geq_table", {}, {}};
    for (int shape = 0; shape < GEQ_SHAPES; ++shape) {
        for (int g = 0; g < GEQ_GAIN_ROWS; ++g) {
            const double K = gainFactor(g + 1), Q = kGeqShapeQ[shape];
            auto valueAt = [&](double d) {
                return toCurveUnits(peaking(sAt(d, GEQ_STEPS_PER_OCTAVE), K, Q));
            };
            t.pointers.push_back(addRow(t, centredRow(valueAt, GEQ_ROW_CENTRE)));
        }
    }
    return t;
}

Table shelfTable(const char *name, Complex (*shelf)(Complex, double))
{
    Table t {name, {}, {}};
    for (int k = 0; k < SHELF_TABLE_SIZE; ++k) {
        const double K = gainFactor((k + 1) * SHELF_GAIN_STEP / 100.0);
        t.pointers.push_back(
                addRow(t, edgeRow([&](double d) { return toCurveUnits(shelf(sAt(d), K)); })));
    }
    return t;
}

// Between array elements: a comma, and a line break every `perLine` elements.
const char *separator(size_t i, size_t perLine)
{
    if (i % perLine)
        return ", ";
    return i ? ",\n    " : "\n    ";
}

bool writeTables(const std::string &path, const char *header, const std::vector<Table> &tables)
{
    FILE *out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    std::fprintf(out, "// Generated by gen_eq_tables from the analog responses; do not edit.\n");
    std::fprintf(out, "#include \"%s\"\n\nnamespace {\n", header);
    for (const Table &t : tables) {
        for (size_t r = 0; r < t.rows.size(); ++r) {
            std::fprintf(out, "const int16_t %s_row%zu[] = {", t.name.c_str(), r);
            for (size_t i = 0; i < t.rows[r].size(); ++i)
                std::fprintf(out, "%s%d", separator(i, 16), t.rows[r][i]);
            std::fprintf(out, "};\n");
        }
    }
    std::fprintf(out, "} // namespace\n\nextern \"C\" {\n");
    for (const Table &t : tables) {
        std::fprintf(out, "const int16_t *const %s[] = {", t.name.c_str());
        for (size_t p = 0; p < t.pointers.size(); ++p)
            std::fprintf(out, "%s%s_row%d", separator(p, 8), t.name.c_str(), t.pointers[p]);
        std::fprintf(out, "};\n");
    }
    std::fprintf(out, "}\n");
    return std::fclose(out) == 0;
}

// pow2_table[k] = 2^(k/600): k hundredths of a dB as a linear gain.
bool writePow2Table(const std::string &path)
{
    FILE *out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    std::fprintf(out, "// Generated by gen_eq_tables; do not edit.\n#include \"calc_eq.h\"\n\n");
    std::fprintf(out, "extern \"C\" const float pow2_table[] = {");
    for (int k = 0; k < POW2_TABLE_SIZE; ++k)
        std::fprintf(out, "%s%af", separator(size_t(k), 8),
                     double(float(std::pow(2.0, k / 600.0))));
    std::fprintf(out, "};\n");
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const bool ok = writeTables(dir + "tbl_eq_peq.cpp", "tbl_eq_peq.h", {peqTable()})
            && writeTables(dir + "tbl_eq_hpf.cpp", "tbl_eq_hpf.h", {hpfTable()})
            && writeTables(dir + "tbl_eq_not.cpp", "tbl_eq_not.h", {notchTable()})
            && writeTables(dir + "tbl_eq_bpf_par.cpp", "tbl_eq_bpf_par.h", {bandPassTable()})
            && writeTables(dir + "tbl_eq_she.cpp", "tbl_eq_she.h",
                           {shelfTable("low_shelving_table", lowShelf1),
                            shelfTable("low_shelving2_table", lowShelf2)})
            && writeTables(dir + "tbl_eq_geq.cpp", "tbl_eq_geq.h", {geqTable()})
            && writePow2Table(dir + "tbl_eq_pow2.cpp");
    if (!ok)
        std::fprintf(stderr, "gen_eq_tables: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
