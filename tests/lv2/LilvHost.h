#pragma once
// A small in-memory LV2 host on lilv for the tests: loads the built bundle, instantiates a plug-in with
// a URID map and a maximum block length, and owns a buffer for every port (audio, control, atom).

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::test {

inline constexpr const char* kStereoURI = "urn:kestrove:quorvane:stereo";
inline constexpr const char* kMonoURI = "urn:kestrove:quorvane:mono";

class LilvWorldHolder
{
public:
  // Finds the bundle in the build tree only, next to the system's specifications.
  LilvWorldHolder()
  {
    setenv("LV2_PATH", QUORVANE_LV2_DIR ":/usr/lib/lv2", 1);
    mWorld = lilv_world_new();
    lilv_world_load_all(mWorld);
  }
  ~LilvWorldHolder() { lilv_world_free(mWorld); }
  LilvWorldHolder(const LilvWorldHolder&) = delete;
  LilvWorldHolder& operator=(const LilvWorldHolder&) = delete;

  const LilvPlugin* Find(const char* uri) const
  {
    LilvNode* node = lilv_new_uri(mWorld, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), node);
    lilv_node_free(node);
    return plugin;
  }
  LilvWorld* World() const { return mWorld; }

  // One world for the whole test program: lilv parses every bundle on the path when it loads.
  static LilvWorldHolder& Shared()
  {
    static LilvWorldHolder holder;
    return holder;
  }

private:
  LilvWorld* mWorld = nullptr;
};

class URIDMap
{
public:
  URIDMap()
  {
    mMap.handle = this;
    mMap.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<URIDMap*>(handle)->Map(uri); };
  }
  LV2_URID Map(const char* uri)
  {
    if (const auto it = mIds.find(uri); it != mIds.end())
      return it->second;
    return mIds.emplace(uri, static_cast<LV2_URID>(mIds.size() + 1)).first->second;
  }
  LV2_URID_Map* Feature() { return &mMap; }

private:
  LV2_URID_Map mMap{};
  std::map<std::string, LV2_URID, std::less<>> mIds;
};

class LilvInstanceRunner
{
public:
  static constexpr uint32_t kAtomCapacity = 8192;

  // maxBlock 0: the host announces no block length. withMap false: no features at all (as lv2apply).
  LilvInstanceRunner(const char* uri, double rate, int32_t maxBlock, bool withMap = true, bool connect = true)
  {
    LilvWorldHolder& world = LilvWorldHolder::Shared();
    mPlugin = world.Find(uri);
    if (mPlugin == nullptr)
      return;
    mMaxBlock = maxBlock;
    mMapFeature = {LV2_URID__map, mMap.Feature()};
    mOptions[0] = {LV2_OPTIONS_INSTANCE, 0, mMap.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                   mMap.Map(LV2_ATOM__Int), &mMaxBlock};
    mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mOptionsFeature = {LV2_OPTIONS__options, mOptions};
    if (withMap)
    {
      mFeatures.push_back(&mMapFeature);
      if (maxBlock > 0)
        mFeatures.push_back(&mOptionsFeature);
    }
    mFeatures.push_back(nullptr);
    lv2_atom_forge_init(&mForge, mMap.Feature());
    mSequence = mMap.Map(LV2_ATOM__Sequence);
    mChunk = mMap.Map(LV2_ATOM__Chunk);
    mInstance = lilv_plugin_instantiate(mPlugin, rate, mFeatures.data());
    if (mInstance == nullptr)
      return;

    LilvWorld* w = world.World();
    LilvNode* audio = lilv_new_uri(w, LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(w, LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri(w, LV2_CORE__InputPort);
    const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
    mPorts.resize(n);
    for (uint32_t i = 0; i < n; ++i)
    {
      const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
      Port& p = mPorts[i];
      p.symbol = lilv_node_as_string(lilv_port_get_symbol(mPlugin, port));
      p.input = lilv_port_is_a(mPlugin, port, input);
      if (lilv_port_is_a(mPlugin, port, audio))
        p.kind = Port::kAudio;
      else if (lilv_port_is_a(mPlugin, port, control))
      {
        p.kind = Port::kControl;
        LilvNode* def = nullptr;
        lilv_port_get_range(mPlugin, port, &def, nullptr, nullptr);
        p.value = def != nullptr ? lilv_node_as_float(def) : 0.0f;
        lilv_node_free(def);
      }
      else
      {
        p.kind = Port::kAtom;
        p.atom.assign(kAtomCapacity / sizeof(uint64_t), 0);
      }
      mIndex[p.symbol] = i;
    }
    lilv_node_free(audio);
    lilv_node_free(control);
    lilv_node_free(input);
    SetFrames(maxBlock > 0 ? static_cast<uint32_t>(maxBlock) : 4096);
    if (connect)
      ConnectAll();
  }

  ~LilvInstanceRunner()
  {
    if (mInstance != nullptr)
    {
      if (mActive)
        lilv_instance_deactivate(mInstance);
      lilv_instance_free(mInstance);
    }
  }
  LilvInstanceRunner(const LilvInstanceRunner&) = delete;
  LilvInstanceRunner& operator=(const LilvInstanceRunner&) = delete;

  bool Valid() const { return mInstance != nullptr; }
  LilvInstance* Instance() const { return mInstance; }
  URIDMap& Map() { return mMap; }

  // Grows every audio buffer to `frames` (test thread, outside a run); connects again.
  void SetFrames(uint32_t frames)
  {
    for (Port& p : mPorts)
    {
      if (p.kind == Port::kAudio)
        p.audio.assign(frames, 0.0f);
    }
    if (mConnected)
      ConnectAll();
  }

  void ConnectAll()
  {
    for (uint32_t i = 0; i < mPorts.size(); ++i)
      Connect(i);
    mConnected = true;
  }
  void Connect(uint32_t i)
  {
    Port& p = mPorts[i];
    void* data = p.kind == Port::kAudio ? static_cast<void*>(p.audio.data())
                 : p.kind == Port::kControl ? static_cast<void*>(&p.value)
                                            : static_cast<void*>(p.atom.data());
    lilv_instance_connect_port(mInstance, i, data);
  }
  void Disconnect(const char* symbol) { lilv_instance_connect_port(mInstance, Index(symbol), nullptr); }

  void Activate()
  {
    lilv_instance_activate(mInstance);
    mActive = true;
  }

  // Prepares the atom ports as a host does before each run (input: an empty sequence unless a message
  // was queued; output: the room in the size field), then runs.
  void Run(uint32_t frames)
  {
    for (Port& p : mPorts)
    {
      if (p.kind != Port::kAtom)
        continue;
      auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(p.atom.data());
      if (p.input)
      {
        if (!p.queued)
        {
          seq->atom.type = mSequence;
          seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
          seq->body.unit = 0;
          seq->body.pad = 0;
        }
        p.queued = false;
      }
      else
      {
        seq->atom.type = mChunk;
        seq->atom.size = kAtomCapacity - sizeof(LV2_Atom);
      }
    }
    lilv_instance_run(mInstance, frames);
  }

  // Builds the next run's input sequence on the atom input port with `body`, which forges one atom.
  template <typename Body>
  void QueueMessage(const char* symbol, Body body)
  {
    Port& p = mPorts[Index(symbol)];
    lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<uint8_t*>(p.atom.data()), kAtomCapacity);
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_sequence_head(&mForge, &frame, 0);
    lv2_atom_forge_frame_time(&mForge, 0);
    body(mForge);
    lv2_atom_forge_pop(&mForge, &frame);
    p.queued = true;
  }
  const LV2_Atom_Sequence* Sequence(const char* symbol) const
  {
    return reinterpret_cast<const LV2_Atom_Sequence*>(mPorts[Index(symbol)].atom.data());
  }

  // Symbols up to 15 characters fit std::string's own room: looking one up during a run allocates nothing.
  uint32_t Index(const char* symbol) const { return mIndex.at(symbol); }
  bool Has(const char* symbol) const { return mIndex.count(symbol) != 0; }
  float& Control(const char* symbol) { return mPorts[Index(symbol)].value; }
  float* Audio(const char* symbol) { return mPorts[Index(symbol)].audio.data(); }
  uint32_t NumPorts() const { return static_cast<uint32_t>(mPorts.size()); }

private:
  struct Port
  {
    enum Kind { kAudio, kControl, kAtom } kind = kControl;
    bool input = false;
    bool queued = false;
    std::string symbol;
    float value = 0.0f;
    std::vector<float> audio;
    std::vector<uint64_t> atom; // 64-bit words: atoms are 8-byte aligned
  };

  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  URIDMap mMap;
  LV2_Atom_Forge mForge{}; // initialised (which maps its types) up front: runs must not allocate
  LV2_URID mSequence = 0;
  LV2_URID mChunk = 0;
  int32_t mMaxBlock = 0;
  LV2_Options_Option mOptions[2]{};
  LV2_Feature mMapFeature{};
  LV2_Feature mOptionsFeature{};
  std::vector<const LV2_Feature*> mFeatures;
  std::vector<Port> mPorts;
  std::map<std::string, uint32_t> mIndex;
  bool mConnected = false;
  bool mActive = false;
};

} // namespace quorvane::test
