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

// How much of the band plays: 0 a bare break, 1 sparse, 2 full, 3 the lift
// of the last section, the melody doubled.
using Energy = int;

struct BarPlan {
    Role role;
    int chord;          // scale degree of the chord root, 0-based
    int inPhrase;       // 0..3
    bool sectionStart;
    bool sectionEnd;    // the last bar of a section gets a fill and a cadence
    Energy energy;
    int visit;          // how many times this role was heard before (for the melody's development)
};

struct Motif {
    std::string rhythm; // two bars
    std::vector<int> degrees;
};

enum PatchSlot { kChords, kBass, kLead, kArp, kKick, kSnare, kHat, kPerc, kCrash };

constexpr double kTailSeconds = 3.0;
constexpr int kIntroBars = 2;
constexpr int kOutroBars = 2;
// A slowing ending stretches its last bars by up to this much.
constexpr double kRitardando = 0.7;
constexpr float kHighestDouble = 88.0f;   // E6

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

char at(const char* pattern, int step)
{
    return pattern != nullptr && step < static_cast<int>(std::strlen(pattern)) ? pattern[step] : '.';
}

// The patterns this piece plays: the style's own or one of its other feels.
struct Feel {
    const char* kick;
    const char* snare;
    const char* hat;
    const char* bass;
    const char* chords;
    const char* arp;
    const char* perc;
};

Feel feelOf(const Style& s, int variant)
{
    Feel feel{s.kick, s.snare, s.hat, s.bassRhythm, s.chordRhythm, s.arpRhythm, s.perc};
    if (variant == 0)
        return feel;
    const Groove& g = s.grooves[variant - 1];
    auto pick = [](const char* own, const char* other) { return other != nullptr ? other : own; };
    // A style without a part keeps it silent in every feel.
    auto keepSilence = [&](const char* own, const char* other) { return own[0] == '\0' ? own : pick(own, other); };
    return {keepSilence(s.kick, g.kick), keepSilence(s.snare, g.snare), keepSilence(s.hat, g.hat),
            pick(s.bassRhythm, g.bass), pick(s.chordRhythm, g.chords), keepSilence(s.arpRhythm, g.arp),
            keepSilence(s.perc, g.perc)};
}

class Composer {
public:
    Composer(const Style& style, int variant, uint64_t seed)
        : s_(style), rng_(seed), variant_(variant % 3), feel_(feelOf(style, variant % 3))
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
        score_.reverbWet = s_.reverbWet;
        if (s_.echoSteps > 0) {
            score_.delaySeconds = s_.echoSteps * stepSec_;
            score_.delayFeedback = s_.echoFeedback;
            score_.delayWet = s_.echoWet;
            score_.patches[kLead].delaySend = 1.0f;
            score_.patches[kArp].delaySend = 0.5f;
            score_.patches[kChords].delaySend = 0.3f;
        }
    }

    Score run(double targetSeconds)
    {
        const int phrases = phraseCount(targetSeconds);
        chooseProgressions();
        plan(phrases);
        ritStart_ = s_.ritardando ? (kIntroBars + 4 * phrases) * barSec_ : 1e9;
        ritLength_ = kOutroBars * barSec_;
        // Each piece of an artist leads with a different one of its rhythms.
        const char* ownLead = variant_ > 0 ? s_.grooves[variant_ - 1].lead : nullptr;
        motifs_[0] = makeMotif(ownLead != nullptr ? ownLead : s_.leadRhythms[variant_]);
        motifs_[1] = makeMotif(s_.leadRhythms[(variant_ + 1 + rng_.below(2)) % 3]);
        for (int bar = 0; bar < static_cast<int>(bars_.size()); ++bar)
            playBar(bar);
        score_.seconds = warp(static_cast<double>(bars_.size()) * barSec_) + kTailSeconds;
        return std::move(score_);
    }

private:
    double secondsFor(int phrases) const
    {
        const double outro = kOutroBars * barSec_ * (s_.ritardando ? 1.0 + kRitardando / 2.0 : 1.0);
        return (kIntroBars + 4 * phrases) * barSec_ + outro + kTailSeconds;
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

    // Time after the start of the ritardando runs slower and slower: the
    // tempo falls to 1 / (1 + kRitardando) of itself by the last bar's end.
    double warp(double t) const
    {
        if (t <= ritStart_)
            return t;
        const double x = t - ritStart_;
        return ritStart_ + x + kRitardando * x * x / (2.0 * ritLength_);
    }

    double stretchAt(double t) const { return t <= ritStart_ ? 1.0 : 1.0 + kRitardando * (t - ritStart_) / ritLength_; }

    // Two progressions of the style's four, different for each piece.
    void chooseProgressions()
    {
        const char* pool[4] = {s_.progressionA, s_.progressionB, s_.progressions[0], s_.progressions[1]};
        static const int pairs[3][2] = {{0, 1}, {2, 0}, {3, 1}};
        verse_ = pool[pairs[variant_][0]];
        chorus_ = pool[pairs[variant_][1]];
        if (verse_.size() != 4)
            verse_ = s_.progressionA;
        if (chorus_.size() != 4)
            chorus_ = s_.progressionB;
        if (rng_.chance(0.5f))
            std::rotate(chorus_.begin(), chorus_.begin() + 2, chorus_.end());
    }

    // The sections: each piece takes one of a few forms, trimmed to its
    // length; the energy rises through the piece, drops in the break and
    // lifts in the last section.
    void plan(int phrases)
    {
        static const char* const forms[3] = {"AABBKABBAABBKAB", "ABABKBBAABBKABB", "AABKABBBAAKABBA"};
        const std::string form = forms[(variant_ + rng_.below(2)) % 3];
        std::string kinds;
        for (int p = 0; p < phrases; ++p)
            kinds += form[p % form.size()];
        // Never end on the break, and never open with it.
        if (kinds.back() == 'K')
            kinds.back() = 'B';
        if (kinds[0] == 'K')
            kinds[0] = 'A';
        for (int bar = 0; bar < kIntroBars; ++bar)
            bars_.push_back({Role::Intro, 0, bar, bar == 0, false, 0, 0});
        int visits[2] = {0, 0};
        const int liftFrom = phrases >= 4 ? phrases - 2 : phrases - 1;
        for (int p = 0; p < phrases; ++p) {
            const char kind = kinds[p];
            const Role role = kind == 'A' ? Role::A : kind == 'B' ? Role::B : Role::Break;
            const bool start = p == 0 || kinds[p - 1] != kind || (p >= 2 && kinds[p - 2] == kind);
            const bool end = p + 1 == phrases || kinds[p + 1] != kind || !start;
            Energy energy = p == 0 ? 1 : 2;
            if (role == Role::Break)
                energy = 0;
            else if (p > 0 && kinds[p - 1] == 'K')
                energy = 1;
            if (p >= liftFrom && role != Role::Break)
                energy = 3;
            const std::string& chords = role == Role::B ? chorus_ : verse_;
            const int visit = role == Role::Break ? 0 : visits[role == Role::B ? 1 : 0]++;
            for (int bar = 0; bar < 4; ++bar)
                bars_.push_back({role, (chords[bar] - '1') % s_.scaleSize, bar, start && bar == 0, end && bar == 3,
                                 energy, visit});
        }
        bars_.push_back({Role::Outro, (verse_.back() - '1') % s_.scaleSize, 0, false, false, 2, 0});
        bars_.push_back({Role::Outro, 0, 1, false, true, 2, 0});
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
        t = warp(t);
        if (s_.humanize > 0.0f && t > 0.0)
            t += s_.humanize * rng_.signedUnit();
        return std::max(0.0, t);
    }

    float velocityJitter() { return s_.humanize > 0.0f ? 1.0f + 0.06f * rng_.signedUnit() : 1.0f; }

    void add(int slot, double start, double length, float pitch, float velocity, float pan, float send)
    {
        score_.notes.push_back({start, length * stretchAt(start), pitch,
                                std::clamp(velocity * velocityJitter(), 0.0f, 1.0f), pan, send * s_.reverbSend, slot});
    }

    // Steps from `step` until the next strike or rest, for held notes.
    static int heldSteps(const char* pattern, int step, int limit)
    {
        int length = 1;
        while (step + length < limit && at(pattern, step + length) == '-')
            ++length;
        return length;
    }

    int clampDegree(int degree) const { return std::clamp(degree, s_.leadLow, s_.leadHigh); }

    Motif makeMotif(const char* rhythm)
    {
        Motif motif;
        motif.rhythm = rhythm;
        int degree = s_.leadLow + (s_.leadHigh - s_.leadLow) / 2;
        for (char c : motif.rhythm) {
            if (c != 'x')
                continue;
            motif.degrees.push_back(degree);
            degree = nextDegree(degree);
        }
        return motif;
    }

    int nextDegree(int degree)
    {
        static const int moves[] = {-2, -1, -1, 1, 1, 2, 0, 3, -3, 1};
        degree += moves[rng_.below(10)];
        if (degree < s_.leadLow)
            degree = s_.leadLow + 1;
        if (degree > s_.leadHigh)
            degree = s_.leadHigh - 1;
        return degree;
    }

    // The melody grows each time its section returns: first as it was, then
    // moved up the scale (a sequence), then turned upside down (an
    // inversion); the answer's second half is new every time.
    Motif developed(const Motif& motif, int visit, bool answer)
    {
        Motif out = motif;
        const int first = motif.degrees.empty() ? 0 : motif.degrees[0];
        for (int& degree : out.degrees) {
            if (visit % 3 == 1)
                degree = clampDegree(degree + 2);
            else if (visit % 3 == 2)
                degree = clampDegree(first - (degree - first));
        }
        if (answer && visit > 0) {
            const size_t half = out.degrees.size() / 2;
            for (size_t j = half; j < out.degrees.size(); ++j)
                out.degrees[j] = j == half ? out.degrees[j] : nextDegree(out.degrees[j - 1]);
        }
        return out;
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
    // and a cadence ends on the chord's root, held. In the lift a second
    // voice doubles the melody an octave up on the other side.
    void playMotif(const Motif& motif, int bar, bool answer, bool cadence, float velocity, bool doubled)
    {
        const int steps = 2 * stepsPerBar_;
        std::vector<int> onsets;
        for (int k = 0; k < steps; ++k)
            if (at(motif.rhythm.c_str(), k) == 'x')
                onsets.push_back(k);
        for (size_t j = 0; j < onsets.size() && j < motif.degrees.size(); ++j) {
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
            const double start = stepTime(bar, k);
            const float pitch = static_cast<float>(pitchOf(degree));
            add(kLead, start, length * stepSec_ * 0.92, pitch, velocity, s_.leadPan, 0.7f);
            // An octave up, unless that would shriek: then an octave down.
            const float octave = pitch + 12.0f <= kHighestDouble ? 12.0f : -12.0f;
            if (doubled)
                add(kLead, start + 0.012, length * stepSec_ * 0.92, pitch + octave, velocity * 0.45f,
                    s_.leadPan > 0.0f ? -0.55f : 0.55f, 0.9f);
        }
    }

    void playChords(int bar, const BarPlan& plan, float velocity, bool finalChord)
    {
        const std::vector<int> tones = voicing(plan.chord);
        const float voiceLevel = velocity / std::sqrt(static_cast<float>(tones.size()));
        // Sparse sections hold the chord instead of playing the rhythm.
        const char* rhythm = plan.energy == 0 && s_.dynamics >= 0.5f ? "x" : feel_.chords;
        for (int step = 0; step < stepsPerBar_; ++step) {
            if (!finalChord && at(rhythm, step) != 'x')
                continue;
            // The last chord and bass note sound on to the end of the file:
            // the fade ends them, not a release inside the tail.
            const double length = finalChord ? 2.0 * barSec_ + kTailSeconds
                                             : heldSteps(rhythm, step, stepsPerBar_) * stepSec_ * 0.95;
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
            const char c = finalNote ? (step == 0 ? '1' : '.') : at(feel_.bass, step);
            if (c == '.' || c == '-')
                continue;
            int pitch = root;
            if (c == '3' || c == '5' || c == '7')
                pitch = root + ((pitchOf(plan.chord + (c - '1')) - pitchOf(plan.chord)) % 12 + 12) % 12;
            else if (c == '8')
                pitch = root + 12;
            const double length = finalNote ? 2.0 * barSec_ + kTailSeconds
                                            : heldSteps(feel_.bass, step, stepsPerBar_) * stepSec_ * 0.9;
            add(kBass, stepTime(bar, step), length, static_cast<float>(pitch), velocity, 0.0f, 0.1f);
        }
    }

    // The arpeggio's notes fall left and right in turn.
    void playArp(int bar, const BarPlan& plan, float velocity)
    {
        std::vector<int> tones = voicing(plan.chord);
        for (int& tone : tones)
            tone = intoRange(tone, s_.arpCenter - 6);
        std::sort(tones.begin(), tones.end());
        int struck = 0;
        for (int step = 0; step < stepsPerBar_; ++step) {
            const char c = at(feel_.arp, step);
            if (c < '0' || c > '9')
                continue;
            const int index = c - '0';
            const int n = static_cast<int>(tones.size());
            const int pitch = tones[index % n] + 12 * (index / n);
            const float pan = struck++ % 2 == 0 ? s_.arpPan : -0.6f * s_.arpPan;
            add(kArp, stepTime(bar, step), heldSteps(feel_.arp, step, stepsPerBar_) * stepSec_ * 0.9,
                static_cast<float>(pitch), velocity, pan, 0.8f);
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
        const bool section = plan.role == Role::A || plan.role == Role::B;
        const bool fullKit = section && plan.energy >= 2;
        // Sparse sections keep the pulse (kick and hats) but not the backbeat.
        const bool sparse = section && plan.energy == 1;
        const bool light = plan.role == Role::Break || (plan.role == Role::Intro && s_.drumsInIntro);
        const bool snareHasFill = std::strlen(feel_.snare) > 0;
        if (fullKit || sparse)
            playDrum(kKick, feel_.kick, bar, velocity, 0.0f, 0.1f, 36.0f);
        if (fullKit) {
            playDrum(kSnare, plan.sectionEnd && snareHasFill ? s_.fill : feel_.snare, bar, velocity, 0.08f, 0.6f, 50.0f);
            if (plan.sectionStart || (plan.energy == 3 && plan.inPhrase == 0))
                add(kCrash, stepTime(bar, 0), stepSec_, 60.0f, velocity * 0.7f, -0.45f, 0.5f);
        }
        if (section || light) {
            const float scale = light ? 0.7f : plan.energy == 3 ? 1.1f : 1.0f;
            playDrum(kHat, feel_.hat, bar, velocity * scale, 0.55f, 0.2f, 60.0f);
            playDrum(kPerc, plan.sectionEnd && !snareHasFill && fullKit ? s_.fill : feel_.perc, bar, velocity * scale,
                     -0.6f, 0.4f, 45.0f);
        }
        if (plan.role == Role::Outro) {
            playDrum(kKick, "x", bar, velocity, 0.0f, 0.1f, 36.0f);
            if (plan.inPhrase == 0)
                playDrum(kHat, feel_.hat, bar, velocity * 0.6f, 0.45f, 0.2f, 60.0f);
            else
                add(kCrash, stepTime(bar, 0), stepSec_, 60.0f, velocity, -0.45f, 0.6f);
        }
    }

    // Loudness of a section: the dynamic styles start quiet and rise.
    float levelOf(const BarPlan& plan) const
    {
        static const float drop[4] = {0.65f, 0.5f, 0.22f, 0.0f};
        // The intro opens at a speaking level whatever the style: a listener
        // who starts a track hears it at once; the quiet comes with the verse.
        if (plan.role == Role::Intro)
            return 1.0f;
        return 0.95f - s_.dynamics * drop[plan.energy];
    }

    void playBar(int bar)
    {
        const BarPlan& plan = bars_[bar];
        const bool finalBar = plan.role == Role::Outro && plan.inPhrase == 1;
        const float velocity = levelOf(plan);

        playChords(bar, plan, velocity, finalBar);
        if ((plan.role != Role::Intro || plan.inPhrase > 0) && (plan.energy > 0 || s_.dynamics < 0.5f))
            playBass(bar, plan, velocity, finalBar);
        if (plan.role != Role::Outro && (plan.energy != 1 || plan.role == Role::Intro))
            playArp(bar, plan, plan.role == Role::Intro || plan.role == Role::Break ? velocity : velocity * 0.8f);
        else if (finalBar)
            playArp(bar, {Role::Outro, 0, 1, false, true, 2, 0}, 0.5f);
        playDrums(bar, plan, velocity);

        const bool melodic = plan.role == Role::A || plan.role == Role::B;
        if (melodic && plan.inPhrase % 2 == 0) {
            const Motif& motif = motifs_[plan.role == Role::B ? 1 : 0];
            const bool answer = plan.inPhrase == 2;
            const Motif played = developed(motif, plan.visit, answer);
            playMotif(played, bar, answer, answer && bars_[bar + 1].sectionEnd, velocity, plan.energy == 3);
        }
        if (plan.role == Role::Outro && plan.inPhrase == 0) {
            const int home = nearestChordTone(s_.leadLow + 2, 0, true);
            add(kLead, stepTime(bar + 1, 0), barSec_ * 0.9 + (s_.ritardando ? kTailSeconds * 0.4 : 0.0),
                static_cast<float>(pitchOf(home)), 0.7f, s_.leadPan, 0.8f);
        }
    }

    const Style& s_;
    Rng rng_;
    int variant_;
    Feel feel_;
    double stepSec_ = 0, barSec_ = 0;
    double ritStart_ = 1e9, ritLength_ = 1;
    int stepsPerBar_ = 16;
    int tonic_ = 60;
    std::string verse_, chorus_;
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
