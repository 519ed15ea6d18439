#include "plugin/QuorvaneDSP.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "dsp/curves.h"
#include "dsp/numeric.h"
#include "plugin/QuorvaneParams.h"

namespace quorvane {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// Tables indexed by the truncated choice value.
constexpr double kAttackMs[] = {0.1, 0.3, 10.0, 30.0, 100.0, 300.0}; // the 10/30/100/300 are the voicing
constexpr double kRatios[] = {1.5, 2.0, 3.0, 4.0, 5.0, 10.0};
constexpr double kKneeFactor[] = {0.95, 0.9, 0.8, 0.7, 0.6, 0.3};
constexpr double kReleaseMs[] = {100.0, 300.0, 600.0, 1200.0, 2000.0}; // "Auto" releases over 2 s

constexpr double kDbToLinear = 0.1151292546497;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

// The truncated choice as a table index, or -1 when it is not one.
template <size_t N>
int ChoiceIndex(double value, const double (&)[N])
{
  const int i = dsp::truncToInt(value);
  return i >= 0 && i < static_cast<int>(N) ? i : -1;
}

// Controls of the compressor the chain holds fixed: no hold.
constexpr double kHoldMs = 0.0;
// Transient filter knobs 1 and 4 only scale its output; the chain holds them here.
constexpr double kTransientKnob1 = 0.55;
constexpr double kTransientKnob4 = 0.25;

} // namespace

bool smoother::clearNonFinite(double restart) noexcept
{
  if (std::isfinite(z))
    return false;
  z = restart;
  return true;
}

// Everything the block reads from the parameters, loaded once so a block sees one consistent set.
struct QuorvaneDSP::Snapshot
{
  double boostGain, hfAmount, hpfValue, makeupGain, midGainDb, mixAmount, thresholdValue, transientMix,
    tiltValue, attackMs, ratio, kneeFactor, releaseMs, osLatency;
  int extSidechainOn, turboMode, linkAverage, xformerInOn, xformerOutOn, osFactor;
};

QuorvaneDSP::QuorvaneDSP() = default;

void QuorvaneDSP::OnParamChange(int paramIdx, double v) noexcept
{
  switch (paramIdx)
  {
    case kBoost: boostGain.store(DbToGain(v), kRelaxed); break;
    case kHF: hfAmount.store(v, kRelaxed); break;
    case kHPF: hpfValue.store(v, kRelaxed); break;
    case kMakeupGain: makeupGain.store(DbToGain(v), kRelaxed); break;
    case kMidGain: midGainDb.store(v, kRelaxed); break;
    case kCompressorMix: mixAmount.store(v / 100.0, kRelaxed); break;
    case kThreshold: thresholdValue.store(v, kRelaxed); break;
    case kTransientMix: transientMix.store(v / 100.0, kRelaxed); break;
    case kTransientTilt: tiltValue.store(v, kRelaxed); break;
    case kAttackTime:
      if (const int i = ChoiceIndex(v, kAttackMs); i >= 0)
        attackMs.store(kAttackMs[i], kRelaxed);
      break;
    case kBypass: processingOn.store(dsp::truncToInt(v), kRelaxed); break;
    case kExternalSidechain: extSidechainOn.store(dsp::truncToInt(v), kRelaxed); break;
    case kRatio:
      if (const int i = ChoiceIndex(v, kRatios); i >= 0)
      {
        ratio.store(kRatios[i], kRelaxed);
        kneeFactor.store(kKneeFactor[i], kRelaxed);
      }
      break;
    case kReleaseTime:
      if (const int i = ChoiceIndex(v, kReleaseMs); i >= 0)
        releaseMs.store(kReleaseMs[i], kRelaxed);
      break;
    case kTurbo:
      turboMode.store(dsp::truncToInt(v), kRelaxed);
      linkAverage.store(dsp::truncToInt(v), kRelaxed);
      break;
    case kXFormer:
      xformerInOn.store(dsp::truncToInt(v), kRelaxed);
      xformerOutOn.store(dsp::truncToInt(v), kRelaxed);
      break;
    case kOversampling:
      if (const int i = dsp::truncToInt(v); i == 0 || i == 1)
      {
        osFactor.store(i == 1 ? 2 : 0, kRelaxed);
        osLatency.store(i == 1 ? double{kOversamplingLatency} : 0.0, kRelaxed);
      }
      break;
    default: break; // the unused index, the meter and anything unknown carry no DSP value
  }
}

void QuorvaneDSP::Reset(double sampleRate)
{
  oversampler.clear();

  comp.setup(0, 5.0, 50.0, kHoldMs, sampleRate);
  comp.ratio = 4.0;
  comp.kneeWidth = -0.0;
  comp.threshold = 0.0;
  comp.kneeLow = 0.0;
  comp.kneeHigh = 0.0;
  comp.slope = 0.75;
  comp.kneeFactor = 0.0;
  comp.gainDb = 0.0;

  makeupSmoother.z = makeupGain.load(kRelaxed);
  // The unmapped value: the threshold then glides from it to the mapped one.
  thresholdSmoother.z = thresholdValue.load(kRelaxed);
  mixSmoother.z = mixAmount.load(kRelaxed);
  // The last gain survives a reset.
  gainSmoother.z = std::exp(grDb * kDbToLinear);
}

void QuorvaneDSP::SetUpBlock(const Snapshot& p, double fs) noexcept
{
  if (p.turboMode == 0)
  {
    hpfFloor = 110.0;
    midOffsetDb = 4.0;
  }
  else if (p.turboMode == 1)
  {
    hpfFloor = 10.0;
    midOffsetDb = 0.0;
  }
  hpfFreq = (p.hpfValue - 20.0) / 480.0 * (1000.0 - (hpfFloor + 10.0)) + (hpfFloor + 10.0);
  tiltControl = (p.tiltValue + 6.0) / 12.0 + 0.25;
  hfShelfDb = -((p.hfAmount / 100.0) * 10.0 - 10.0);

  transientL.prepare(fs);
  transientR.prepare(fs);

  hpfL.setup(dsp::biquadFilter::kHighPass, hpfFreq / fs, 0.707, 0.0);
  hpfR.setup(dsp::biquadFilter::kHighPass, hpfFreq / fs, 0.707, 0.0);
  midL.setup(dsp::biquadFilter::kPeak, 1600.0 / fs, 0.407, midOffsetDb + p.midGainDb);
  midR.setup(dsp::biquadFilter::kPeak, 1600.0 / fs, 0.407, midOffsetDb + p.midGainDb);
  hfL.setup(dsp::biquadFilter::kHighShelf, 5000.0 / fs, 0.3, hfShelfDb);
  hfR.setup(dsp::biquadFilter::kHighShelf, 5000.0 / fs, 0.3, hfShelfDb);

  thresholdDb = (p.thresholdValue + 15.0) / 30.0 * 35.0 - 40.0;

  // Both poles depend on the rate alone.
  if (!(fs == coefRate))
  {
    coefRate = fs;
    // The meter settles to 1 % in 0.3 s.
    meterCoef = std::exp(-4.60517018599 / (fs * 0.3));
    smootherPole = std::exp(-2.0 * std::numbers::pi / (fs * 0.1));
  }
  // A 10 Hz one-pole for all four smoothers.
  for (smoother* s : {&makeupSmoother, &thresholdSmoother, &mixSmoother, &gainSmoother})
  {
    s->a = smootherPole;
    s->b = 1.0 - smootherPole;
  }
}

// Nothing upstream should ever leave a NaN or infinity in a recursion (the frame silences bad input
// samples, parameters are clamped), but if one appears it would stay there for good: a dead detector
// or a silent output until the instance is destroyed. So every block starts by clearing any recursive
// state that is not finite; the smoothers restart where a reset puts them.
void QuorvaneDSP::ClearNonFiniteStates(const Snapshot& p) noexcept
{
  int cleared = 0;
  for (dsp::biquadFilter* f : {&hpfL, &midL, &hfL, &hpfR, &midR, &hfR})
    cleared += f->clearNonFiniteState();
  cleared += transientL.clearNonFiniteState();
  cleared += transientR.clearNonFiniteState();
  cleared += comp.clearNonFiniteState();
  cleared += makeupSmoother.clearNonFinite(p.makeupGain);
  cleared += thresholdSmoother.clearNonFinite(thresholdDb);
  cleared += mixSmoother.clearNonFinite(p.mixAmount);
  cleared += gainSmoother.clearNonFinite(std::isfinite(grDb) ? std::exp(grDb * kDbToLinear) : 1.0);
  if (!std::isfinite(meterState))
  {
    meterState = 1.0;
    ++cleared;
  }
  if (cleared > 0)
    clearedStates.fetch_add(cleared, std::memory_order_relaxed);
}

QuorvaneDSP::Snapshot QuorvaneDSP::LoadSnapshot() const noexcept
{
  return {boostGain.load(kRelaxed),      hfAmount.load(kRelaxed),      hpfValue.load(kRelaxed),
          makeupGain.load(kRelaxed),     midGainDb.load(kRelaxed),     mixAmount.load(kRelaxed),
          thresholdValue.load(kRelaxed), transientMix.load(kRelaxed),  tiltValue.load(kRelaxed),
          attackMs.load(kRelaxed),       ratio.load(kRelaxed),         kneeFactor.load(kRelaxed),
          releaseMs.load(kRelaxed),      osLatency.load(kRelaxed),     extSidechainOn.load(kRelaxed),
          turboMode.load(kRelaxed),      linkAverage.load(kRelaxed),   xformerInOn.load(kRelaxed),
          xformerOutOn.load(kRelaxed),   osFactor.load(kRelaxed)};
}

QuorvaneDSP::BlockResult QuorvaneDSP::Process(const double* const* inputs, double* const* outputs, int nFrames,
                                               double fs, int nConnectedOutputs) noexcept
{
  const Snapshot p = LoadSnapshot();
  SetUpBlock(p, fs);
  ClearNonFiniteStates(p);

  if (processingOn.load(kRelaxed) == 0)
  {
    const int channels = std::clamp(nConnectedOutputs, 0, 2);
    for (int c = 0; c < channels; ++c)
      std::copy(inputs[c], inputs[c] + nFrames, outputs[c]);
    return {0.0, 0};
  }

  if (exactChain.load(kRelaxed))
    RunExact(p, inputs, outputs, nFrames);
  else
    for (int offset = 0; offset < nFrames; offset += kPassLength)
      RunPass(p, inputs, outputs, offset, std::min(kPassLength, nFrames - offset), offset == 0);

  return {meterValue, dsp::truncToInt(processingOn.load(kRelaxed) * p.osLatency)};
}

void QuorvaneDSP::RunExact(const Snapshot& p, const double* const* inputs, double* const* outputs,
                           int nFrames) noexcept
{
  const double* in0 = inputs[0];
  const double* in1 = inputs[1];
  const double* in2 = inputs[2];
  const double* in3 = inputs[3];
  double* out0 = outputs[0];
  double* out1 = outputs[1];

  for (int i = 0; i < nFrames; ++i)
  {
    // 1. The alternating offset keeps the programme path off subnormals; it is removed at the output.
    dcOffset = -dcOffset;
    const double inL = in0[i] + dcOffset;
    const double inR = in1[i] + dcOffset;
    const double scL = in2[i];
    const double scR = in3[i];

    // 2. Input saturation.
    if (p.xformerInOn)
    {
      satL = dsp::saturateInputXf(inL);
      satR = dsp::saturateInputXf(inR);
    }
    else
    {
      satL = dsp::saturateInput(inL);
      satR = dsp::saturateInput(inR);
    }

    // 3. Detector source, 40 dB down after its curve.
    const double sL = p.extSidechainOn ? scL : satL;
    const double sR = p.extSidechainOn ? scR : satR;
    const double detL = dsp::detectorCurve(sL);
    const double detR = dsp::detectorCurve(sR);

    // 4. Detector filters, single precision at every port.
    const double fL = hfL.process(midL.process(hpfL.process(static_cast<float>(detL))));
    const double fR = hfR.process(midR.process(hpfR.process(static_cast<float>(detR))));

    // 5. Boost shaper.
    const double shL = dsp::boostShape(fL, p.boostGain);
    const double shR = dsp::boostShape(fR, p.boostGain);

    // 6. Transient tilt section.
    const double tL =
      dsp::kDetectorGain * transientL.process(shL, kTransientKnob1, tiltControl, tiltControl, kTransientKnob4);
    const double tR =
      dsp::kDetectorGain * transientR.process(shR, kTransientKnob1, tiltControl, tiltControl, kTransientKnob4);

    // 7. Detector mix.
    const double dL = dsp::kDetectorGain * fL * (1.0 - p.transientMix) + p.transientMix * tL;
    const double dR = dsp::kDetectorGain * fR * (1.0 - p.transientMix) + p.transientMix * tR;

    // 8. The high shelves advance twice per sample: part of the detector's voicing.
    hfL.process(0.0f);
    hfR.process(0.0f);

    // 9. Stereo link: the larger signed value, then its magnitude (not the larger magnitude).
    const double level = p.linkAverage ? std::fabs(0.5 * (dL + dR)) : std::fabs(std::max(dL, dR));

    // 10. Compressor.
    comp.process(level);
    grDb = comp.gainDb;

    // 11. Control operations; they act from the next sample on. The threshold glides every sample:
    //     gating the glide on a comparison with the unmapped knob value froze it at 0 dB whenever the
    //     knob sat exactly at its centre.
    comp.setAttack(p.attackMs);
    comp.setRelease(p.releaseMs);
    comp.setHold(kHoldMs);
    comp.setRatio(p.ratio);
    comp.setThreshold(thresholdSmoother.step(thresholdDb));
    comp.setKneeFactor(p.kneeFactor);
    comp.limitMode = 0;
    comp.slope = 1.0 - 1.0 / comp.ratio;

    // 12.
    const double gainTarget = std::exp(grDb * kDbToLinear);
    smoothedGain = gainSmoother.step(gainTarget);

    double wetL;
    double wetR;
    if (p.osFactor == 0)
    {
      // 13. Three gain-smoother steps per sample in this mode.
      const double gL = gainSmoother.step(gainTarget);
      const double mL = makeupSmoother.step(p.makeupGain);
      wetL = gL * satL * mL;
      const double mR = makeupSmoother.step(p.makeupGain);
      const double gR = gainSmoother.step(gainTarget);
      wetR = gR * satR * mR;
    }
    else
    {
      // 14. The gain applied at twice the rate.
      oversampler.process(satL, satR, smoothedGain, p.osFactor, osL, osR);
      const double mL = makeupSmoother.step(p.makeupGain);
      wetL = mL * osL;
      const double mR = makeupSmoother.step(p.makeupGain);
      wetR = mR * osR;
    }

    // 15. Transformer output stage.
    if (p.xformerOutOn)
    {
      wetL = dsp::saturateOutputXf(wetL);
      wetR = dsp::saturateOutputXf(wetR);
    }

    // 16. Dry signal, aligned with the oversampled path's 64 samples.
    if (p.osFactor == 0)
    {
      dryL = inL;
      dryR = inR;
    }
    else if (p.osFactor == 2)
    {
      dryL = dryDelayL.process(in0[i], kOversamplingLatency);
      dryR = dryDelayR.process(in1[i], kOversamplingLatency);
    }

    // 17. Mix: four smoother steps per sample.
    const double x1 = mixSmoother.step(p.mixAmount);
    const double x2 = mixSmoother.step(p.mixAmount);
    const double outL = (1.0 - x2) * dryL + x1 * wetL;
    const double x1r = mixSmoother.step(p.mixAmount);
    const double x2r = mixSmoother.step(p.mixAmount);
    const double outR = (1.0 - x2r) * dryR + x1r * wetR;

    // 18.-19. A switch to off mid-block passes the input from this sample on.
    const int on = processingOn.load(kRelaxed);
    if (on != 0)
    {
      out0[i] = outL - dcOffset;
      out1[i] = outR - dcOffset;
    }
    else
    {
      out0[i] = in0[i];
      out1[i] = in1[i];
    }
    meterValue = MeterStep(meterState, meterCoef, on == 1 ? 1.0 - smoothedGain : 0.0);
  }

}

// One pass over frames [offset, offset + n) of the block: RunExact's stages regrouped so that the
// memoryless ones run over the whole pass as vector code. Each recursion sees its inputs in the same
// order as there, so the two differ only by the vector functions' rounding.
void QuorvaneDSP::RunPass(const Snapshot& p, const double* const* inputs, double* const* outputs, int offset, int n,
                          bool blockStart) noexcept
{
  const dsp::blockKernels& k = dsp::selectedBlockKernels();
  PassBuffers& b = mPass;
  const double* in0 = inputs[0] + offset;
  const double* in1 = inputs[1] + offset;
  double* out0 = outputs[0] + offset;
  double* out1 = outputs[1] + offset;

  // 1.-2. The offset input and its saturation.
  const double firstOffset = -dcOffset;
  for (int i = 0; i < n; ++i)
  {
    dcOffset = -dcOffset;
    b.inL[i] = in0[i] + dcOffset;
    b.inR[i] = in1[i] + dcOffset;
  }
  const auto saturate = p.xformerInOn ? k.saturateInputXf : k.saturateInput;
  saturate(b.inL, b.satL, n);
  saturate(b.inR, b.satR, n);

  // 3. The detector curve, of the side chain or of the saturated programme.
  if (p.extSidechainOn)
  {
    std::copy(inputs[2] + offset, inputs[2] + offset + n, b.detL);
    std::copy(inputs[3] + offset, inputs[3] + offset + n, b.detR);
    k.detectorCurve(b.detL, b.detL, n);
    k.detectorCurve(b.detR, b.detR, n);
  }
  else
  {
    k.detectorCurve(b.satL, b.detL, n);
    k.detectorCurve(b.satR, b.detR, n);
  }

  // 4., 8. The detector filters, both channels in one vector; the high shelves' second step per sample
  // only touches their own state.
  {
    dsp::biquadPair hp(hpfL, hpfR), md(midL, midR), shelf(hfL, hfR);
    for (int i = 0; i < n; ++i)
    {
      const dsp::double2 x = dsp::roundToFloat(dsp::double2{b.detL[i], b.detR[i]});
      const dsp::double2 f = shelf.process(md.process(hp.process(x)));
      b.detL[i] = f[0];
      b.detR[i] = f[1];
      shelf.process(dsp::double2{});
    }
    hp.store(hpfL, hpfR);
    md.store(midL, midR);
    shelf.store(hfL, hfR);
  }

  // 5. The "Boost" shaper.
  k.boostShape(b.detL, p.boostGain, b.shapedL, n);
  k.boostShape(b.detR, p.boostGain, b.shapedR, n);

  // 6.-11. The transient section, the link and the envelope. The block's first sample still runs with
  // the previous block's compressor settings, so its gain is computed here; the settings then hold for
  // the rest of the block and only the threshold glides.
  const bool thresholdSettled = thresholdSmoother.settledAt(thresholdDb);
  // The two transient filters see the same knobs, so once their knob states agree the knobs step once
  // and the two signal recursions share a vector.
  const bool paired = transientL.sameKnobs(transientR);
  // Settled knobs stay where they are, so their steps are skipped.
  const bool knobsSettled =
    paired && transientL.knobsSettledAt(kTransientKnob1, tiltControl, tiltControl, kTransientKnob4);
  dsp::transientFilter tr = transientL, trR = transientR;
  dsp::double2 differences[dsp::transientFilter::kOrder];
  for (int d = 0; d < dsp::transientFilter::kOrder; ++d)
    differences[d] = dsp::double2{transientL.diff[d], transientR.diff[d]};
  // Read once into locals: stores to the pass buffers could otherwise alias them.
  const double transientMix = p.transientMix;
  const double tilt = tiltControl;
  const double thresholdTarget = thresholdDb;
  const bool average = p.linkAverage != 0;
  smoother ts = thresholdSmoother;
  // Inlined into each loop that calls it, so its states stay in registers across samples.
  auto detectorLevel = [&](int i) __attribute__((always_inline)) {
    double tL, tR;
    if (paired)
    {
      if (!knobsSettled)
        tr.stepKnobs(kTransientKnob1, tilt, tilt, kTransientKnob4);
      const dsp::double2 t = tr.stepSignalShort(dsp::double2{b.shapedL[i], b.shapedR[i]}, differences);
      tL = dsp::kDetectorGain * t[0];
      tR = dsp::kDetectorGain * t[1];
    }
    else
    {
      tL = dsp::kDetectorGain * tr.process(b.shapedL[i], kTransientKnob1, tilt, tilt, kTransientKnob4);
      tR = dsp::kDetectorGain * trR.process(b.shapedR[i], kTransientKnob1, tilt, tilt, kTransientKnob4);
    }
    const double dL = dsp::kDetectorGain * b.detL[i] * (1.0 - transientMix) + transientMix * tL;
    const double dR = dsp::kDetectorGain * b.detR[i] * (1.0 - transientMix) + transientMix * tR;
    return average ? std::fabs(0.5 * (dL + dR)) : std::fabs(std::max(dL, dR));
  };
  auto glideThreshold = [&] { return thresholdSettled ? ts.z : ts.step(thresholdTarget); };

  int from = 0;
  if (blockStart)
  {
    comp.stepEnvelope(detectorLevel(0));
    b.envelope[0] = comp.envelope;
    b.threshold[0] = comp.threshold;
    comp.gainDb = comp.gainDbFor(dsp::kDbPerNeper * std::log(std::fabs(comp.envelope)));
    b.gainDb[0] = comp.gainDb;
    b.gain[0] = std::exp(comp.gainDb * kDbToLinear);
    comp.setAttack(p.attackMs);
    comp.setRelease(p.releaseMs);
    comp.setHold(kHoldMs);
    comp.setRatio(p.ratio);
    comp.setKneeFactor(p.kneeFactor);
    comp.limitMode = 0;
    comp.threshold = glideThreshold();
    from = 1;
  }
  if (comp.holdSamples == 0)
  {
    // Without a hold (the chain never sets one) the envelope step only picks its pole, and its state is
    // two numbers, kept local.
    double envelope = comp.envelope;
    double threshold = comp.threshold;
    const double attack = comp.attackCoef;
    const double release = comp.releaseCoef;
    bool rose = false;
    for (int i = from; i < n; ++i)
    {
      const double level = detectorLevel(i);
      const bool rising = level > envelope;
      envelope = (envelope - level) * (rising ? attack : release) + level;
      rose = rose || rising;
      b.envelope[i] = envelope;
      b.threshold[i] = threshold;
      threshold = glideThreshold();
    }
    comp.envelope = envelope;
    comp.threshold = threshold;
    if (rose)
      comp.holdCount = 0;
  }
  else
  {
    for (int i = from; i < n; ++i)
    {
      comp.stepEnvelope(detectorLevel(i));
      b.envelope[i] = comp.envelope;
      b.threshold[i] = comp.threshold;
      comp.threshold = glideThreshold();
    }
  }
  thresholdSmoother = ts;
  if (paired)
  {
    // Both filters leave with the shared knob state and their own lane of the differences.
    transientL = tr;
    transientR = tr;
    for (int d = 0; d < dsp::transientFilter::kOrder; ++d)
    {
      transientL.diff[d] = differences[d][0];
      transientR.diff[d] = differences[d][1];
    }
  }
  else
  {
    transientL = tr;
    transientR = trR;
  }
  comp.recomputeKnee();
  const int first = blockStart ? 1 : 0;
  k.compressorGain(b.envelope + first, b.threshold + first, p.kneeFactor, 1.0 - 1.0 / p.ratio, b.gainDb + first,
                   b.gain + first, n - first);
  comp.gainDb = b.gainDb[n - 1];
  grDb = comp.gainDb;

  // 12.-14. The gain smoother and the gain stage, at the base rate or through the oversampler. A settled
  // smoother's steps change nothing, so they are skipped.
  const bool makeupSettled = makeupSmoother.settledAt(p.makeupGain);
  smoother gs = gainSmoother, ms = makeupSmoother;
  auto makeupStep = [&] { return makeupSettled ? ms.z : ms.step(p.makeupGain); };
  for (int i = 0; i < n; ++i)
  {
    const double target = b.gain[i];
    if (p.osFactor == 0)
    {
      double gL, gR;
      gs.stepThree(target, b.smoothed[i], gL, gR);
      const double mL = makeupStep();
      b.wetL[i] = gL * b.satL[i] * mL;
      const double mR = makeupStep();
      b.wetR[i] = gR * b.satR[i] * mR;
    }
    else
    {
      b.smoothed[i] = gs.step(target);
      b.makeupL[i] = makeupStep();
      b.makeupR[i] = makeupStep();
    }
  }
  gainSmoother = gs;
  makeupSmoother = ms;
  if (p.osFactor != 0)
  {
    oversampler.processBlock(b.satL, b.satR, b.smoothed, n, b.wetL, b.wetR);
    osL = b.wetL[n - 1];
    osR = b.wetR[n - 1];
    for (int i = 0; i < n; ++i)
    {
      b.wetL[i] = b.makeupL[i] * b.wetL[i];
      b.wetR[i] = b.makeupR[i] * b.wetR[i];
    }
  }

  // 15. The transformer output stage.
  if (p.xformerOutOn)
  {
    k.saturateOutputXf(b.wetL, b.wetL, n);
    k.saturateOutputXf(b.wetR, b.wetR, n);
  }

  // 16.-19. Dry path, mix, output and meter.
  const bool mixSettled = mixSmoother.settledAt(p.mixAmount);
  smoother xs = mixSmoother;
  double meter = meterState;
  auto mixStep = [&] { return mixSettled ? xs.z : xs.step(p.mixAmount); };
  const double meterPole = meterCoef;
  double dL = dryL, dR = dryR, lastMeter = meterValue;
  for (int i = 0; i < n; ++i)
  {
    if (p.osFactor == 0)
    {
      dL = b.inL[i];
      dR = b.inR[i];
    }
    else if (p.osFactor == 2)
    {
      dL = dryDelayL.process(in0[i], kOversamplingLatency);
      dR = dryDelayR.process(in1[i], kOversamplingLatency);
    }
    const double x1 = mixStep();
    const double x2 = mixStep();
    const double outL = (1.0 - x2) * dL + x1 * b.wetL[i];
    const double x1r = mixStep();
    const double x2r = mixStep();
    const double outR = (1.0 - x2r) * dR + x1r * b.wetR[i];

    const int on = processingOn.load(kRelaxed);
    if (on != 0)
    {
      const double sampleOffset = (i % 2 == 0) ? firstOffset : -firstOffset;
      out0[i] = outL - sampleOffset;
      out1[i] = outR - sampleOffset;
    }
    else
    {
      out0[i] = in0[i];
      out1[i] = in1[i];
    }
    lastMeter = MeterStep(meter, meterPole, on == 1 ? 1.0 - b.smoothed[i] : 0.0);
  }
  dryL = dL;
  dryR = dR;
  meterValue = lastMeter;
  mixSmoother = xs;
  meterState = meter;
  satL = b.satL[n - 1];
  satR = b.satR[n - 1];
  smoothedGain = b.smoothed[n - 1];
}

} // namespace quorvane
