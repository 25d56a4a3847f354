// make_demo: writes the demo track (configuration, trace data, .trk file,
// trace position and radius files, altitude reference) into a directory.
//
// The output must be byte-identical on every machine, because a test compares
// it with the committed copy. So: no clock, no library random numbers, and no
// library trigonometry (its last bit may differ between library versions);
// only +, -, *, / on doubles (built without FMA contraction) and our own sine.
//
// The track: 150 sections, 7 traces 2.4 m apart with trace 3 on the centre
// line, one counter-clockwise lap of about 4.25 km. Heights follow a smooth
// periodic terrain with a crest and a dip, a road crown and banking in the
// curves. Every join is smooth in height and gradient except for these
// deliberate faults (the section named is the one whose end is broken):
//   section  12, trace 3            : height gap +6 cm
//   section  31, trace 0            : gradient break +0.6 %
//   section  58, traces 1..5        : height gap -15 cm; on traces 2..4 also a
//                                     gradient break -0.4 %
//   section  87, trace 6            : height gap +32 cm
//   section 104, trace 5            : gradient break -1.2 %
//   section 126, trace 2            : height gap +3 cm
//   section 149, trace 4 (join to 0): height gap +9 cm and gradient break +0.5 %

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double UNITS_PER_METRE = 19685.0;
constexpr double PI = 3.14159265358979323846;
constexpr int64_t FULL_TURN = 2147483648LL; // heading units of one turn in the .trk file
constexpr int NUM_SECTIONS = 150;
constexpr int NUM_TRACES = 7;
constexpr int TRACE_SLOTS = 16;
constexpr int CENTRE_TRACE = 3;
constexpr int TRK_PADDING = 512;
constexpr int TRK_RECORD = 52;

// The headings add up to a whole turn plus 1/7200 turn (0.05 degrees). The
// closure check in the editor sums the turns in single precision and may
// measure the fraction above the whole turn rounded toward zero; an exact
// turn could come out a hair short and read as 359.99 degrees missing.
constexpr int64_t HEADING_EXCESS = FULL_TURN / 7200;

// Sine from a Taylor series after reduction to [-pi/2, pi/2]; plenty for
// terrain and plan shape, and the same bits everywhere.
double det_sin(double x) {
    double k = x / (2.0 * PI);
    int64_t turns = static_cast<int64_t>(k >= 0 ? k + 0.5 : k - 0.5);
    x -= static_cast<double>(turns) * 2.0 * PI;
    if (x > PI / 2) x = PI - x;
    if (x < -PI / 2) x = -PI - x;
    double x2 = x * x, term = x, sum = x;
    for (int i = 1; i <= 12; ++i) {
        term = -term * x2 / ((2.0 * i) * (2.0 * i + 1.0));
        sum += term;
    }
    return sum;
}

double det_cos(double x) { return det_sin(x + PI / 2); }

int64_t round_half_away(double v) {
    return v >= 0 ? static_cast<int64_t>(v + 0.5) : -static_cast<int64_t>(-v + 0.5);
}

// xorshift32 with a fixed seed: the survey noise of the altitude reference.
struct XorShift32 {
    uint32_t state = 0x2545F491u;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// One piece of the plan: `count` sections that are straight (size = length of
// each section in metres) or an arc (size = radius in metres, degrees > 0 turns
// left, toward positive trace offsets).
struct Piece {
    char kind;
    int count;
    double size;
    int degrees;
};

// The two straights marked "closes" were sized so that the lap also closes in
// plan position, not only in heading.
const Piece LAYOUT[] = {
    {'S', 14, 35.44, 0},  // start/finish straight, closes east-west
    {'C', 5, 70, 90},     // turn 1
    {'S', 10, 30.47, 0},  // closes north-south
    {'C', 3, 70, -40},    // chicane
    {'C', 3, 70, 40},
    {'S', 9, 36, 0},
    {'C', 7, 110, 90},    // sweeper onto the top side
    {'S', 5, 34, 0},
    {'C', 4, 90, -45},    // esses
    {'C', 4, 90, 45},
    {'S', 14, 38, 0},
    {'C', 4, 150, 30},    // fast kink
    {'C', 3, 150, -30},
    {'S', 6, 36, 0},
    {'C', 8, 50, 150},    // hairpin
    {'S', 8, 38, 0},
    {'C', 5, 80, -60},
    {'S', 5, 32, 0},
    {'C', 4, 100, 35},
    {'C', 4, 100, -35},
    {'S', 5, 32, 0},
    {'C', 3, 60, -45},
    {'C', 8, 70, 135},    // last corner
    {'S', 9, 40, 0},
};

// Lateral positions of the trace slots in track units (0.2 m is 3937 units,
// so these are exact in metres too); slots from NUM_TRACES on are unused.
const int32_t TRACE_OFFSET[TRACE_SLOTS] = {
    -141732, -94488, -47244, 0, 47244, 94488, 141732, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct Section {
    bool curve = false;
    int32_t length = 0;    // along the centre line, track units
    int32_t heading = 0;   // .trk heading change, FULL_TURN per turn
    float radius = 0.0f;   // metres, as the editor derives it from the .trk file
    double arc_radius = 0; // metres, as laid out
    int32_t trace_len[NUM_TRACES] = {};
};

std::vector<Section> build_plan() {
    std::vector<Section> sec;
    int64_t heading_sum = 0;
    for (const Piece& p : LAYOUT) {
        int64_t piece_heading = 0;
        if (p.kind == 'C') {
            int64_t num = static_cast<int64_t>(p.degrees) * FULL_TURN;
            piece_heading = (num >= 0 ? num + 180 : num - 180) / 360;
        }
        for (int i = 0; i < p.count; ++i) {
            Section s;
            if (p.kind == 'S') {
                s.length = static_cast<int32_t>(p.size * UNITS_PER_METRE);
            } else {
                s.curve = true;
                s.arc_radius = p.size;
                // The first |rem| sections take one unit more, so the piece's
                // sections add up to its heading exactly.
                int64_t rem = piece_heading % p.count;
                int64_t extra = i < (rem < 0 ? -rem : rem) ? (rem < 0 ? -1 : 1) : 0;
                s.heading = static_cast<int32_t>(piece_heading / p.count + extra);
            }
            heading_sum += s.heading;
            sec.push_back(s);
        }
    }
    // Rounding the pieces leaves a few units over or under the intended total;
    // the last curve section takes the difference.
    for (size_t i = sec.size(); i-- > 0;) {
        if (sec[i].curve) {
            sec[i].heading += static_cast<int32_t>(FULL_TURN + HEADING_EXCESS - heading_sum);
            break;
        }
    }
    for (Section& s : sec) {
        if (!s.curve) continue;
        double angle = static_cast<double>(s.heading) / FULL_TURN * 2.0 * PI;
        double arc = s.arc_radius * (angle < 0 ? -angle : angle);
        s.length = static_cast<int32_t>(arc * UNITS_PER_METRE);
        // The editor's reading of the .trk record, including its constants.
        s.radius = static_cast<float>((s.length / UNITS_PER_METRE) /
                                      (s.heading * (1.0 / FULL_TURN) * 6.2831853));
    }
    for (Section& s : sec) {
        for (int t = 0; t < NUM_TRACES; ++t) {
            float offset = static_cast<float>(TRACE_OFFSET[t] / UNITS_PER_METRE);
            s.trace_len[t] = s.length;
            if (!s.curve) continue;
            double r = s.radius, off = offset;
            int64_t v = static_cast<int64_t>((r - off) / r * s.length);
            if (r - off != 0 && v >= 1) s.trace_len[t] = static_cast<int32_t>(v);
        }
    }
    return sec;
}

// A smooth bump of the given height and half-width, centred at `centre` on a
// lap of length `lap`; (1 - r^2)^3 is flat in value and slope at its edges.
void add_bump(double x, double lap, double centre, double half_width, double height,
              double& h, double& dh) {
    double d = x - centre;
    if (d > lap / 2) d -= lap;
    if (d < -lap / 2) d += lap;
    double r = d / half_width;
    if (r <= -1 || r >= 1) return;
    double q = 1 - r * r;
    h += height * q * q * q;
    dh += height * -6.0 * r * q * q / half_width;
}

// Terrain height of the centre line (metres) and its gradient at distance x
// (metres) along a lap of `lap` metres.
void terrain(double x, double lap, double& h, double& dh) {
    struct Wave { double amplitude; int cycles; double phase; };
    const Wave waves[] = {{5.5, 1, 0.4}, {2.8, 2, 2.1}, {1.2, 5, 0.9}, {0.45, 11, 4.0}};
    h = 12.0;
    dh = 0.0;
    for (const Wave& w : waves) {
        double k = 2.0 * PI * w.cycles / lap;
        h += w.amplitude * det_sin(k * x + w.phase);
        dh += w.amplitude * k * det_cos(k * x + w.phase);
    }
    add_bump(x, lap, 0.36 * lap, 90.0, 2.5, h, dh);   // crest on the top straight
    add_bump(x, lap, 0.80 * lap, 70.0, -1.8, h, dh);  // dip after the hairpin
}

struct Coeffs {
    int32_t height, slope, quad, cubic;
};

using Heights = std::vector<std::vector<Coeffs>>; // [section][trace slot]

Heights build_heights(const std::vector<Section>& sec, double& lap_m) {
    const int n = static_cast<int>(sec.size());
    std::vector<double> start(n + 1, 0.0); // metres along the centre line
    for (int s = 0; s < n; ++s) start[s + 1] = start[s] + sec[s].length / UNITS_PER_METRE;
    lap_m = start[n];

    // Bank at each section start, from the curvature on both sides, then its
    // rate of change by central difference so the banking eases in and out.
    auto curvature = [&](int s) { return sec[s].curve ? 1.0 / sec[s].radius : 0.0; };
    std::vector<double> bank(n), dbank(n);
    for (int s = 0; s < n; ++s) {
        double b = 3.0 * (curvature((s + n - 1) % n) + curvature(s)) / 2;
        bank[s] = b > 0.06 ? 0.06 : b < -0.06 ? -0.06 : b;
    }
    for (int s = 0; s < n; ++s) {
        int prev = (s + n - 1) % n, next = (s + 1) % n;
        double span = sec[prev].length / UNITS_PER_METRE + sec[s].length / UNITS_PER_METRE;
        dbank[s] = (bank[next] - bank[prev]) / span;
    }

    // Height (track units) and gradient (per unit of trace length) of every
    // trace at every section start. Both sections meeting there use the same
    // values, so their joins match.
    const double crown = 0.015;
    std::vector<std::vector<int64_t>> node_h(n, std::vector<int64_t>(NUM_TRACES));
    std::vector<std::vector<double>> node_g(n, std::vector<double>(NUM_TRACES));
    for (int s = 0; s < n; ++s) {
        double h, dh;
        terrain(start[s], lap_m, h, dh);
        int prev = (s + n - 1) % n;
        for (int t = 0; t < NUM_TRACES; ++t) {
            double off = TRACE_OFFSET[t] / UNITS_PER_METRE;
            double side = off < 0 ? -off : off;
            // Outside of a curve (offset of opposite sign to the curvature) is higher.
            double trace_h = h - bank[s] * off - crown * side;
            double trace_dh = dh - dbank[s] * off;
            // The trace is longer or shorter than the centre line in a curve;
            // scale the gradient by the mean stretch of the two sections.
            double stretch = (static_cast<double>(sec[prev].trace_len[t]) / sec[prev].length +
                              static_cast<double>(sec[s].trace_len[t]) / sec[s].length) / 2;
            node_h[s][t] = round_half_away(trace_h * UNITS_PER_METRE);
            node_g[s][t] = trace_dh / stretch;
        }
    }

    // Cubic Hermite fit per trace: the section's start and end heights exactly,
    // its end slope in u equal to the rounded target, so every end gradient is
    // within half a unit per trace length of the next start gradient.
    Heights out(n, std::vector<Coeffs>(TRACE_SLOTS, Coeffs{0, 0, 0, 0}));
    for (int s = 0; s < n; ++s) {
        int next = (s + 1) % n;
        for (int t = 0; t < NUM_TRACES; ++t) {
            double len = sec[s].trace_len[t];
            int64_t a0 = node_h[s][t];
            int64_t a1 = round_half_away(node_g[s][t] * len);
            int64_t p = round_half_away(node_g[next][t] * len);
            int64_t d = node_h[next][t] - a0;
            out[s][t] = Coeffs{static_cast<int32_t>(a0), static_cast<int32_t>(a1),
                               static_cast<int32_t>(3 * d - 2 * a1 - p),
                               static_cast<int32_t>(a1 + p - 2 * d)};
        }
    }
    return out;
}

// Faults touch only the end of a section: a gap moves the end height and
// keeps the end slope, a break moves the end slope and keeps the end height.
void add_gap(Heights& h, int s, int t, double metres) {
    int32_t d = static_cast<int32_t>(round_half_away(metres * UNITS_PER_METRE));
    h[s][t].quad += 3 * d;
    h[s][t].cubic -= 2 * d;
}

void add_break(Heights& h, const std::vector<Section>& sec, int s, int t, double gradient) {
    int32_t d = static_cast<int32_t>(round_half_away(gradient * sec[s].trace_len[t]));
    h[s][t].quad -= d;
    h[s][t].cubic += d;
}

void add_faults(Heights& h, const std::vector<Section>& sec) {
    add_gap(h, 12, 3, 0.06);
    add_break(h, sec, 31, 0, 0.006);
    for (int t = 1; t <= 5; ++t) add_gap(h, 58, t, -0.15);
    for (int t = 2; t <= 4; ++t) add_break(h, sec, 58, t, -0.004);
    add_gap(h, 87, 6, 0.32);
    add_break(h, sec, 104, 5, -0.012);
    add_gap(h, 126, 2, 0.03);
    add_gap(h, 149, 4, 0.09);
    add_break(h, sec, 149, 4, 0.005);
}

FILE* open_out(const std::filesystem::path& dir, const char* name) {
    std::filesystem::path path = dir / name;
    FILE* f = std::fopen(path.string().c_str(), "wb"); // binary: "\n" line ends everywhere
    if (!f) {
        std::fprintf(stderr, "make_demo: cannot write %s\n", path.string().c_str());
        std::exit(1);
    }
    return f;
}

void close_out(FILE* f, const char* name) {
    if (std::ferror(f) || std::fclose(f) != 0) {
        std::fprintf(stderr, "make_demo: error writing %s\n", name);
        std::exit(1);
    }
}

void write_config(const std::filesystem::path& dir) {
    FILE* f = open_out(dir, "vemora.cfg");
    std::fprintf(f,
                 "INFILE trace.txt\n"
                 "OUTFILE trace_new.txt\n"
                 "TRKFILE track.trk\n"
                 "TRACEPOSFILE tracepos.txt\n"
                 "RADIUSFILE radius.txt\n"
                 "ALTREFFILE altref.txt\n"
                 "CENTRELINE %d\n"
                 "GRAPHRES 640 480\n",
                 CENTRE_TRACE);
    close_out(f, "vemora.cfg");
}

void write_trace_data(const std::filesystem::path& dir, const std::vector<Section>& sec,
                      const Heights& h) {
    FILE* f = open_out(dir, "trace.txt");
    std::fprintf(f, " %i %i", static_cast<int>(sec.size()), NUM_TRACES);
    for (int i = 0; i < 80; ++i) std::fprintf(f, " 0");
    std::fprintf(f, "\n");
    for (size_t s = 0; s < sec.size(); ++s) {
        std::fprintf(f, " %i %i", static_cast<int>(s), sec[s].length);
        for (int t = 0; t < TRACE_SLOTS; ++t) {
            const Coeffs& c = h[s][t];
            std::fprintf(f, " %i %i %i %i %f", c.height, c.cubic, c.quad, c.slope, 0.0);
        }
        std::fprintf(f, "\n");
    }
    close_out(f, "trace.txt");
}

void put_int32(std::vector<unsigned char>& buf, size_t at, int32_t value) {
    uint32_t u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) buf[at + i] = static_cast<unsigned char>(u >> (8 * i));
}

void write_trk(const std::filesystem::path& dir, const std::vector<Section>& sec) {
    const size_t header = 28 + 4 * TRACE_SLOTS;
    const size_t table = header + TRK_PADDING;
    std::vector<unsigned char> buf(table + TRK_RECORD * sec.size(), 0);
    put_int32(buf, 12, NUM_TRACES);
    put_int32(buf, 16, static_cast<int32_t>(sec.size()));
    for (int k = 0; k < TRACE_SLOTS; ++k) put_int32(buf, 28 + 4 * k, TRACE_OFFSET[k]);
    for (size_t s = 0; s < sec.size(); ++s) {
        size_t rec = table + TRK_RECORD * s;
        buf[rec] = sec[s].curve ? 2 : 1;
        put_int32(buf, rec + 8, sec[s].length);
        put_int32(buf, rec + 28, sec[s].heading);
    }
    FILE* f = open_out(dir, "track.trk");
    std::fwrite(buf.data(), 1, buf.size(), f);
    close_out(f, "track.trk");
}

void write_geometry_text(const std::filesystem::path& dir, const std::vector<Section>& sec) {
    FILE* f = open_out(dir, "tracepos.txt");
    for (int k = 0; k < TRACE_SLOTS; ++k) std::fprintf(f, "%.4f\n", TRACE_OFFSET[k] / UNITS_PER_METRE);
    close_out(f, "tracepos.txt");

    f = open_out(dir, "radius.txt");
    for (size_t s = 0; s < sec.size(); ++s) {
        if (sec[s].curve)
            std::fprintf(f, "%i %.4f\n", static_cast<int>(s), static_cast<double>(sec[s].radius));
        else
            std::fprintf(f, "%i 0\n", static_cast<int>(s));
    }
    close_out(f, "radius.txt");
}

// Surveyed centre-line heights every 25 m with a few centimetres of noise.
void write_altref(const std::filesystem::path& dir, double lap_m) {
    FILE* f = open_out(dir, "altref.txt");
    XorShift32 rng;
    for (int i = 0; 25.0 * i < lap_m; ++i) {
        double x = 25.0 * i, h, dh;
        terrain(x, lap_m, h, dh);
        double noise = (static_cast<int>(rng.next() % 81) - 40) / 1000.0;
        std::fprintf(f, "%.2f %.3f\n", x, h + noise);
    }
    close_out(f, "altref.txt");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo OUTDIR\n");
        return 2;
    }
    std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "make_demo: cannot create %s\n", argv[1]);
        return 1;
    }

    std::vector<Section> sec = build_plan();
    if (static_cast<int>(sec.size()) != NUM_SECTIONS) {
        std::fprintf(stderr, "make_demo: layout has %zu sections, expected %d\n", sec.size(),
                     NUM_SECTIONS);
        return 1;
    }
    double lap_m = 0;
    Heights heights = build_heights(sec, lap_m);
    add_faults(heights, sec);

    write_config(dir);
    write_trace_data(dir, sec, heights);
    write_trk(dir, sec);
    write_geometry_text(dir, sec);
    write_altref(dir, lap_m);
    return 0;
}
