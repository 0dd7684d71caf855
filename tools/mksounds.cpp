// Synthesises the game's eleven sounds as 16-bit mono PCM WAV files:
//   zindle-mksounds OUTDIR
// writes OUTDIR/entered.wav, gameover.wav, ... Soft plucked and bell tones
// with short envelopes, so nothing in the game ever shrieks.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Voice {
    double freq;        // Hz at the start
    double start;       // seconds
    double length;      // seconds until silent
    double amp;         // 0..1
    double decay;       // seconds per e-fold
    double glide = 0;   // Hz per second
    double bell = 0.3;  // weight of the upper partials
};

class Track {
public:
    explicit Track(double seconds) : samples_(size_t(seconds * kRate), 0.0) {}

    void add(const Voice& v) {
        const size_t first = size_t(v.start * kRate);
        const size_t count = size_t(v.length * kRate);
        double phase = 0;
        for (size_t i = 0; i < count && first + i < samples_.size(); ++i) {
            const double t = double(i) / kRate;
            const double attack = std::min(1.0, t / 0.004);
            const double release = std::min(1.0, (v.length - t) / 0.01);
            const double env = attack * release * std::exp(-t / v.decay);
            phase += 2 * kPi * (v.freq + v.glide * t) / kRate;
            const double s = std::sin(phase) + v.bell * 0.5 * std::sin(2 * phase) +
                             v.bell * 0.2 * std::sin(3 * phase + 0.3);
            samples_[first + i] += v.amp * env * s;
        }
    }

    // A short burst of smoothed noise: the body of a click or a wooden knock.
    void knock(double start, double length, double amp, double smooth) {
        uint32_t state = 12345;
        double lp = 0;
        const size_t first = size_t(start * kRate);
        const size_t count = size_t(length * kRate);
        for (size_t i = 0; i < count && first + i < samples_.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            const double white = double(state >> 8) / double(1u << 24) * 2 - 1;
            lp += (white - lp) * smooth;
            const double t = double(i) / kRate;
            samples_[first + i] +=
                amp * lp * std::min(1.0, t / 0.002) * std::exp(-t / (length / 4));
        }
    }

    // Scales to a gentle peak and fades the last few milliseconds.
    std::vector<int16_t> finish(double peak) const {
        double top = 1e-9;
        for (double s : samples_) top = std::max(top, std::fabs(s));
        std::vector<int16_t> out(samples_.size());
        const size_t fade = kRate / 200;
        for (size_t i = 0; i < samples_.size(); ++i) {
            double s = samples_[i] / top * peak;
            const size_t left = samples_.size() - i;
            if (left < fade) s *= double(left) / fade;
            out[i] = int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 32767));
        }
        return out;
    }

private:
    std::vector<double> samples_;
};

double note(int semitonesFromA4) {
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// Semitones from A4 of the notes used below.
constexpr int C4 = -9, E4 = -5, G4 = -2, A4 = 0, C5 = 3, D5 = 5, E5 = 7, G5 = 10, A5 = 12, C6 = 15,
              Eb4 = -6;

void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
void put16(std::string& s, uint16_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}

bool writeWav(const std::string& path, const std::vector<int16_t>& pcm) {
    const uint32_t dataBytes = uint32_t(pcm.size() * 2);
    std::string h = "RIFF";
    put32(h, 36 + dataBytes);
    h += "WAVEfmt ";
    put32(h, 16);
    put16(h, 1);  // PCM
    put16(h, 1);  // mono
    put32(h, kRate);
    put32(h, kRate * 2);
    put16(h, 2);
    put16(h, 16);
    h += "data";
    put32(h, dataBytes);
    for (int16_t s : pcm) put16(h, uint16_t(s));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(h.data(), std::streamsize(h.size()));
    return bool(out);
}

struct Sound {
    const char* name;
    std::function<std::vector<int16_t>()> make;
};

const std::vector<Sound>& sounds() {
    static const std::vector<Sound> all = {
        {"tick",
         [] {
             Track t(0.06);
             t.knock(0, 0.02, 0.6, 0.5);
             t.add({2100, 0, 0.06, 0.5, 0.012, 0, 0.1});
             return t.finish(0.35);
         }},
        {"place",
         [] {
             Track t(0.09);
             t.knock(0, 0.03, 0.5, 0.25);
             t.add({note(E5), 0, 0.09, 0.6, 0.025, 0, 0.4});
             return t.finish(0.45);
         }},
        {"remove",
         [] {
             Track t(0.12);
             t.knock(0, 0.03, 0.4, 0.2);
             t.add({note(C5), 0, 0.12, 0.6, 0.035, -900, 0.3});
             return t.finish(0.4);
         }},
        {"word",
         [] {
             Track t(0.36);
             t.add({note(C5), 0.00, 0.20, 0.5, 0.08});
             t.add({note(E5), 0.07, 0.20, 0.5, 0.08});
             t.add({note(G5), 0.14, 0.22, 0.55, 0.09});
             return t.finish(0.45);
         }},
        {"turn",
         [] {
             Track t(0.55);
             t.add({note(G5), 0.00, 0.30, 0.6, 0.14, 0, 0.5});
             t.add({note(C6), 0.16, 0.39, 0.6, 0.18, 0, 0.5});
             return t.finish(0.45);
         }},
        {"entered",
         [] {
             Track t(0.30);
             t.add({note(E5), 0.00, 0.30, 0.6, 0.10, 0, 0.45});
             t.add({note(A5), 0.05, 0.25, 0.35, 0.09, 0, 0.45});
             return t.finish(0.4);
         }},
        {"time",
         [] {
             Track t(0.45);
             t.add({note(A4), 0.00, 0.22, 0.6, 0.10, 0, 0.6});
             t.add({note(E4), 0.20, 0.25, 0.6, 0.12, 0, 0.6});
             return t.finish(0.45);
         }},
        {"notiles",
         [] {
             Track t(0.40);
             t.knock(0, 0.04, 0.3, 0.1);
             t.add({note(D5), 0.00, 0.18, 0.5, 0.07, -120, 0.3});
             t.add({note(A4), 0.15, 0.25, 0.5, 0.09, -80, 0.3});
             return t.finish(0.4);
         }},
        {"zngood",
         [] {
             Track t(0.55);
             const int steps[] = {C5, E5, G5, C6};
             for (int i = 0; i < 4; ++i)
                 t.add({note(steps[i]), 0.08 * i, 0.55 - 0.08 * i, 0.5, 0.12, 0, 0.4});
             return t.finish(0.45);
         }},
        {"znbad",
         [] {
             Track t(0.55);
             const int steps[] = {G4, Eb4, C4};
             for (int i = 0; i < 3; ++i)
                 t.add({note(steps[i]), 0.12 * i, 0.55 - 0.12 * i, 0.6, 0.14, -15, 0.6});
             return t.finish(0.45);
         }},
        {"gameover",
         [] {
             Track t(0.60);
             const int steps[] = {C5, E5, G5, E5, C6};
             const double at[] = {0.0, 0.09, 0.18, 0.27, 0.36};
             for (int i = 0; i < 5; ++i)
                 t.add({note(steps[i]), at[i], 0.60 - at[i], 0.5, i == 4 ? 0.16 : 0.07, 0, 0.45});
             return t.finish(0.45);
         }},
    };
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    for (const Sound& s : sounds()) {
        const std::string path = dir + "/" + s.name + ".wav";
        if (!writeWav(path, s.make())) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
