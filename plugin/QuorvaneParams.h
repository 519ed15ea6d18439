#pragma once
// What every format says of Quorvane, with no format's header: the parameter indexes, the meter, the
// largest latency, the editor's size, and the product's identity in each format's terms. A binding or a
// generator that needs a name, an id or a URI takes it from here.

namespace quorvane {

// Parameter indexes. 0 and 10 are never defined; 10 carries the gain-reduction meter to the editor.
enum EParams : int
{
  kUnused0 = 0,
  kBoost = 1,
  kHF = 2,
  kHPF = 3,
  kMakeupGain = 4,
  kMidGain = 5,
  kCompressorMix = 6,
  kThreshold = 7,
  kTransientMix = 8,
  kTransientTilt = 9,
  kMeter = 10,
  kAttackTime = 11,
  kBypass = 12,
  kExternalSidechain = 13,
  kRatio = 14,
  kReleaseTime = 15,
  kTurbo = 16,
  kXFormer = 17,
  kOversampling = 18,
  kNumParams
};

inline constexpr int kNumPresets = 1;
inline constexpr const char* kChannelIOString = "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2";

// The latency of the 2x oversampled gain stage, in samples; with oversampling off there is none.
inline constexpr int kMaxLatency = 64;

// The editor at zoom 1, in editor units; its corner handle zooms from half to twice this.
inline constexpr int kEditorWidth = 605;
inline constexpr int kEditorHeight = 602;
inline constexpr int kEditorFPS = 60;

namespace identity {

inline constexpr const char* kName = "Quorvane";
inline constexpr const char* kMaker = "Kestrove";
// 0xMMMMmmbb: major, minor, bug-fix
inline constexpr int kVersion = 0x00070000;
inline constexpr char kPluginCode[] = "Qrv1";
inline constexpr char kMakerCode[] = "Kstr";

// AAX
inline constexpr const char* kAAXEffectId = "com.Kestrove.aax.Quorvane";
inline constexpr const char* kAAXMidiNodeName = "Quorvane Midi";

// LV2: the URIs sessions store, so they never change.
inline constexpr const char* kLV2StereoURI = "urn:kestrove:quorvane:stereo";
inline constexpr const char* kLV2StereoUIURI = "urn:kestrove:quorvane:ui:stereo";
inline constexpr const char* kLV2MonoURI = "urn:kestrove:quorvane:mono";
inline constexpr const char* kLV2MonoUIURI = "urn:kestrove:quorvane:ui:mono";
inline constexpr const char* kLV2URIPrefix = "urn:kestrove:quorvane#";
inline constexpr const char* kLV2Binary = "Quorvane.so";
inline constexpr const char* kLV2UIBinary = "Quorvane_ui.so";
// The class hosts file it under, after lv2:Plugin.
inline constexpr const char* kLV2Category = "lv2:CompressorPlugin";

} // namespace identity

} // namespace quorvane
