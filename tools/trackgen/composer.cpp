#include "tools/trackgen/composer.h"

#include "tools/trackgen/rng.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace trackgen {
namespace {

enum class Role { Intro, A, B, Break, Outro };

struct BarPlan {
    Role role;
    int chord;          // scale degree of the chord root, 0-based
    int inPhrase;       // 0..3
    bool sectionStart;
    bool sectionEnd;    // the last bar of a section gets a fill and a cadence
};

struct Motif {
    std::string rhythm; // two bars
    std::vector<int> degrees;
};

enum PatchSlot { kChords, kBass, kLead, kArp, kKick, kSnare, kHat, kPerc, kCrash };

constexpr double kTailSeconds = 3.0;
constexpr int kIntroBars = 2;
constexpr int kOutroBars = 2;

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

char at(const char* pattern, int step)
{
    return pattern != nullptr && step < static_cast<int>(std::strlen(pattern)) ? pattern[step] : '.';
}

class Composer {
public:
    Composer(const Style& style, int variant, uint64_t seed)
        : s_(style), rng_(seed), variant_(variant % 3)
    {
        static const float tempoShift[3] = {1.0f, 0.96f, 1.05f};
        const double bpm = s_.bpm * tempoShift[variant_];
        stepSec_ = 60.0 / bpm / s_.stepsPerBeat;
        stepsPerBar_ = s_.beatsPerBar * s_.stepsPerBeat;
        barSec_ = stepSec_ * stepsPerBar_;
        tonic_ = s_.tonics[variant_];
        score_.patches = {s_.chords, s_.bass, s_.lead, s_.arp, s_.kickDrum, s_.snareDrum, s_.hatDrum, s_.percDrum, s_.crash};
        score_.barSeconds = barSec_;
        score_.reverbSize = s_.reverbSize;
        score_.reverbDamping = s_.reverbDamping;
    }

    Score run(double targetSeconds)
    {
        plan(phraseCount(targetSeconds));
        motifs_[0] = makeMotif();
        motifs_[1] = makeMotif();
        for (int bar = 0; bar < static_cast<int>(bars_.size()); ++bar)
            playBar(bar);
        score_.seconds = static_cast<double>(bars_.size()) * barSec_ + kTailSeconds;
        return std::move(score_);
    }

private:
    double secondsFor(int phrases) const
    {
        return (kIntroBars + 4 * phrases + kOutroBars) * barSec_ + kTailSeconds;
    }

    int phraseCount(double target) const
    {
        int phrases = std::max(1, static_cast<int>(std::lround(((target - kTailSeconds) / barSec_ - 4.0) / 4.0)));
        while (phrases > 1 && secondsFor(phrases) > 89.0)
            --phrases;
        while (secondsFor(phrases) < 31.0)
            ++phrases;
        return phrases;
    }

    std::string progression(Role role) const
    {
        std::string a = s_.progressionA, b = s_.progressionB;
        if (variant_ == 1)
            std::swap(a, b);
        if (variant_ == 2)
            std::rotate(a.begin(), a.begin() + 2, a.end());
        return role == Role::B ? b : a;
    }

    // Sections of two phrases, A and B taking turns, a one-phrase break
    // (no drums) in longer pieces, framed by the intro and the outro.
    void plan(int phrases)
    {
        static const char kinds[] = "AABBAAKBBAABBAAKBBAABBAA";
        const int available = static_cast<int>(sizeof kinds) - 1;
        for (int bar = 0; bar < kIntroBars; ++bar)
            bars_.push_back({Role::Intro, 0, bar, bar == 0, false});
        int half = 0;
        for (int p = 0; p < phrases; ++p) {
            const char kind = kinds[p % available];
            const char next = kinds[(p + 1) % available];
            const Role role = kind == 'A' ? Role::A : kind == 'B' ? Role::B : Role::Break;
            half = (p > 0 && kinds[(p - 1) % available] == kind && half == 0) ? 1 : 0;
            const bool last = role == Role::Break || half == 1 || p + 1 == phrases || next != kind;
            const std::string chords = progression(role);
            for (int bar = 0; bar < 4; ++bar)
                bars_.push_back({role, (chords[bar] - '1') % s_.scaleSize, bar, half == 0 && bar == 0, last && bar == 3});
        }
        const std::string closing = progression(Role::A);
        bars_.push_back({Role::Outro, (closing.back() - '1') % s_.scaleSize, 0, false, false});
        bars_.push_back({Role::Outro, 0, 1, false, true});
    }

    int pitchOf(int degree) const
    {
        const int octave = floorDiv(degree, s_.scaleSize);
        return tonic_ + s_.scale[degree - octave * s_.scaleSize] + 12 * octave;
    }

    static int intoRange(int pitch, int low) { return pitch - 12 * floorDiv(pitch - low, 12); }

    // The chord's tones gathered around the style's centre, lowest first.
    std::vector<int> voicing(int root) const
    {
        std::vector<int> tones;
        const int count = s_.sevenths ? 4 : 3;
        for (int i = 0; i < count; ++i)
            tones.push_back(intoRange(pitchOf(root + 2 * i), s_.chordCenter - 6));
        std::sort(tones.begin(), tones.end());
        return tones;
    }

    double stepTime(int bar, int step)
    {
        double t = bar * barSec_ + step * stepSec_;
        if (s_.stepsPerBeat % 2 == 0 && step % 2 == 1)
            t += s_.swing * stepSec_;
        if (s_.humanize > 0.0f && t > 0.0)
            t += s_.humanize * rng_.signedUnit();
        return std::max(0.0, t);
    }

    float velocityJitter() { return s_.humanize > 0.0f ? 1.0f + 0.06f * rng_.signedUnit() : 1.0f; }

    void add(int slot, double start, double length, float pitch, float velocity, float pan, float send)
    {
        score_.notes.push_back({start, length, pitch, std::clamp(velocity * velocityJitter(), 0.0f, 1.0f), pan,
                                send * s_.reverbSend, slot});
    }

    // Steps from `step` until the next strike or rest, for held notes.
    static int heldSteps(const char* pattern, int step, int limit)
    {
        int length = 1;
        while (step + length < limit && at(pattern, step + length) == '-')
            ++length;
        return length;
    }

    Motif makeMotif()
    {
        Motif motif;
        motif.rhythm = s_.leadRhythms[rng_.below(3)];
        int degree = s_.leadLow + (s_.leadHigh - s_.leadLow) / 2;
        for (char c : motif.rhythm) {
            if (c != 'x')
                continue;
            motif.degrees.push_back(degree);
            static const int moves[] = {-2, -1, -1, 1, 1, 2, 0, 3, -3, 1};
            degree += moves[rng_.below(10)];
            if (degree < s_.leadLow)
                degree = s_.leadLow + 1;
            if (degree > s_.leadHigh)
                degree = s_.leadHigh - 1;
        }
        return motif;
    }

    int nearestChordTone(int degree, int root, bool rootOnly) const
    {
        int best = degree, bestDistance = 1000;
        for (int candidate = degree - s_.scaleSize; candidate <= degree + s_.scaleSize; ++candidate) {
            const int fromRoot = ((candidate - root) % s_.scaleSize + s_.scaleSize) % s_.scaleSize;
            const bool tone = rootOnly ? fromRoot == 0 : (fromRoot == 0 || fromRoot == 2 || fromRoot == 4);
            const int distance = std::abs(candidate - degree);
            if (tone && distance < bestDistance && candidate >= s_.leadLow - 2 && candidate <= s_.leadHigh + 2) {
                best = candidate;
                bestDistance = distance;
            }
        }
        return best;
    }

    // Plays the two bars of a motif from `bar`; the answer varies its tail
    // and a cadence ends on the chord's root, held.
    void playMotif(const Motif& motif, int bar, bool answer, bool cadence, float velocity)
    {
        const int steps = 2 * stepsPerBar_;
        std::vector<int> onsets;
        for (int k = 0; k < steps; ++k)
            if (at(motif.rhythm.c_str(), k) == 'x')
                onsets.push_back(k);
        for (size_t j = 0; j < onsets.size(); ++j) {
            const int k = onsets[j];
            const int chordRoot = bars_[bar + k / stepsPerBar_].chord;
            int degree = motif.degrees[j];
            if (answer && j * 2 >= onsets.size())
                degree += (j % 2 == 0) ? -1 : 1;
            int length = heldSteps(motif.rhythm.c_str(), k, steps);
            const bool lastNote = j + 1 == onsets.size();
            if (k % stepsPerBar_ == 0 || length >= s_.stepsPerBeat)
                degree = nearestChordTone(degree, chordRoot, false);
            if (cadence && lastNote) {
                degree = nearestChordTone(degree, chordRoot, true);
                length = steps - k;
            }
            add(kLead, stepTime(bar, k), length * stepSec_ * 0.92, static_cast<float>(pitchOf(degree)), velocity,
                s_.leadPan, 0.7f);
        }
    }

    void playChords(int bar, const BarPlan& plan, float velocity, bool finalChord)
    {
        const std::vector<int> tones = voicing(plan.chord);
        const float voiceLevel = velocity / std::sqrt(static_cast<float>(tones.size()));
        for (int step = 0; step < stepsPerBar_; ++step) {
            if (!finalChord && at(s_.chordRhythm, step) != 'x')
                continue;
            const double length = finalChord ? barSec_ + kTailSeconds * 0.3
                                             : heldSteps(s_.chordRhythm, step, stepsPerBar_) * stepSec_ * 0.95;
            for (size_t v = 0; v < tones.size(); ++v) {
                const float pan = tones.size() > 1 ? s_.chordSpread * (2.0f * v / (tones.size() - 1) - 1.0f) : 0.0f;
                add(kChords, stepTime(bar, step) + (finalChord ? 0.02 * v : 0.0), length,
                    static_cast<float>(tones[v]), voiceLevel, pan, 0.8f);
            }
            if (finalChord)
                break;
        }
    }

    void playBass(int bar, const BarPlan& plan, float velocity, bool finalNote)
    {
        const int root = intoRange(pitchOf(plan.chord), s_.bassFloor);
        for (int step = 0; step < stepsPerBar_; ++step) {
            const char c = finalNote ? (step == 0 ? '1' : '.') : at(s_.bassRhythm, step);
            if (c == '.' || c == '-')
                continue;
            int pitch = root;
            if (c == '3' || c == '5' || c == '7')
                pitch = root + ((pitchOf(plan.chord + (c - '1')) - pitchOf(plan.chord)) % 12 + 12) % 12;
            else if (c == '8')
                pitch = root + 12;
            const double length = finalNote ? barSec_ : heldSteps(s_.bassRhythm, step, stepsPerBar_) * stepSec_ * 0.9;
            add(kBass, stepTime(bar, step), length, static_cast<float>(pitch), velocity, 0.0f, 0.1f);
        }
    }

    void playArp(int bar, const BarPlan& plan, float velocity)
    {
        std::vector<int> tones = voicing(plan.chord);
        for (int& tone : tones)
            tone = intoRange(tone, s_.arpCenter - 6);
        std::sort(tones.begin(), tones.end());
        for (int step = 0; step < stepsPerBar_; ++step) {
            const char c = at(s_.arpRhythm, step);
            if (c < '0' || c > '9')
                continue;
            const int index = c - '0';
            const int n = static_cast<int>(tones.size());
            const int pitch = tones[index % n] + 12 * (index / n);
            add(kArp, stepTime(bar, step), heldSteps(s_.arpRhythm, step, stepsPerBar_) * stepSec_ * 0.9,
                static_cast<float>(pitch), velocity, s_.arpPan, 0.8f);
        }
    }

    void playDrum(int slot, const char* pattern, int bar, float velocity, float pan, float send, float pitch)
    {
        for (int step = 0; step < stepsPerBar_; ++step) {
            const char c = at(pattern, step);
            const float strength = c == 'X' ? 1.0f : c == 'x' ? 0.78f : c == 'o' ? 0.38f : 0.0f;
            if (strength > 0.0f)
                add(slot, stepTime(bar, step), stepSec_ * 0.5, pitch, velocity * strength, pan, send);
        }
    }

    void playDrums(int bar, const BarPlan& plan, float velocity)
    {
        const bool fullKit = plan.role == Role::A || plan.role == Role::B;
        const bool light = plan.role == Role::Break || (plan.role == Role::Intro && s_.drumsInIntro);
        const bool snareHasFill = std::strlen(s_.snare) > 0;
        if (fullKit) {
            playDrum(kKick, s_.kick, bar, velocity, 0.0f, 0.1f, 36.0f);
            playDrum(kSnare, plan.sectionEnd && snareHasFill ? s_.fill : s_.snare, bar, velocity, 0.05f, 0.6f, 50.0f);
            if (plan.sectionStart)
                add(kCrash, stepTime(bar, 0), stepSec_, 60.0f, velocity * 0.7f, -0.3f, 0.5f);
        }
        if (fullKit || light) {
            const float scale = light ? 0.7f : 1.0f;
            playDrum(kHat, s_.hat, bar, velocity * scale, 0.3f, 0.2f, 60.0f);
            playDrum(kPerc, plan.sectionEnd && !snareHasFill && fullKit ? s_.fill : s_.perc, bar, velocity * scale,
                     -0.35f, 0.4f, 45.0f);
        }
        if (plan.role == Role::Outro) {
            playDrum(kKick, "x", bar, velocity, 0.0f, 0.1f, 36.0f);
            if (plan.inPhrase == 0)
                playDrum(kHat, s_.hat, bar, velocity * 0.6f, 0.3f, 0.2f, 60.0f);
            else
                add(kCrash, stepTime(bar, 0), stepSec_, 60.0f, velocity, -0.3f, 0.6f);
        }
    }

    void playBar(int bar)
    {
        const BarPlan& plan = bars_[bar];
        const bool finalBar = plan.role == Role::Outro && plan.inPhrase == 1;
        float velocity = 0.85f;
        if (plan.role == Role::Intro)
            velocity = 0.55f + 0.2f * plan.inPhrase;
        else if (plan.role == Role::B)
            velocity = 0.9f;
        else if (plan.role == Role::Break)
            velocity = 0.7f;

        playChords(bar, plan, velocity, finalBar);
        if (plan.role != Role::Intro || plan.inPhrase > 0)
            playBass(bar, plan, velocity, finalBar);
        if (plan.role != Role::Outro)
            playArp(bar, plan, plan.role == Role::Break ? 0.9f : velocity * 0.8f);
        else if (finalBar)
            playArp(bar, {Role::Outro, 0, 1, false, true}, 0.5f);
        playDrums(bar, plan, velocity);

        const bool melodic = plan.role == Role::A || plan.role == Role::B;
        if (melodic && plan.inPhrase % 2 == 0) {
            const Motif& motif = motifs_[plan.role == Role::B ? 1 : 0];
            const bool answer = plan.inPhrase == 2;
            playMotif(motif, bar, answer, answer && bars_[bar + 1].sectionEnd, velocity);
        }
        if (plan.role == Role::Outro && plan.inPhrase == 0) {
            const int home = nearestChordTone(s_.leadLow + 2, 0, true);
            add(kLead, stepTime(bar + 1, 0), barSec_ * 0.9, static_cast<float>(pitchOf(home)), 0.7f, s_.leadPan, 0.8f);
        }
    }

    const Style& s_;
    Rng rng_;
    int variant_;
    double stepSec_ = 0, barSec_ = 0;
    int stepsPerBar_ = 16;
    int tonic_ = 60;
    std::vector<BarPlan> bars_;
    Motif motifs_[2];
    Score score_;
};

} // namespace

Score compose(const Style& style, int variant, uint64_t seed, double targetSeconds)
{
    return Composer(style, variant, seed).run(targetSeconds);
}

} // namespace trackgen
