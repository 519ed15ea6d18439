#include "IPlug/LV2/IPlugLV2_UI.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include <lv2/atom/util.h>

#include "IPlug/IPlugTimer.h"
#include "IPlug/LV2/IPlugLV2.h"

namespace iplug {

namespace {

std::atomic<const IPlugLV2_Info*> gInfo{nullptr};

// The host's idle calls as the run loop of the plug-in's timers: every timer that has come due by the
// wall clock ticks once per idle call (a late call does not catch up).
class IdleRunLoop final : public IRunLoop
{
public:
  uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) override
  {
    static std::atomic<uintptr_t> sNextId{1}; // unique across every loop of the process
    if (proc == nullptr)
      return 0;
    const auto interval = std::chrono::milliseconds(std::max<uint32_t>(intervalMs, 1));
    mTimers.push_back({sNextId.fetch_add(1), interval, proc, Clock::now() + interval});
    return mTimers.back().id;
  }

  void StopTimer(uintptr_t timerId) override
  {
    std::erase_if(mTimers, [timerId](const Entry& e) { return e.id == timerId; });
  }

  void Pump()
  {
    const auto now = Clock::now();
    // A tick may start or stop timers: collect the due ones first, then look each up again.
    mDue.clear();
    for (Entry& e : mTimers)
    {
      if (e.due <= now)
      {
        mDue.push_back(e.id);
        e.due = now + e.interval;
      }
    }
    for (const uintptr_t id : mDue)
    {
      const auto it = std::find_if(mTimers.begin(), mTimers.end(), [id](const Entry& e) { return e.id == id; });
      if (it != mTimers.end())
        it->proc(id);
    }
  }

private:
  using Clock = std::chrono::steady_clock;
  struct Entry
  {
    uintptr_t id;
    std::chrono::milliseconds interval;
    TickProc proc;
    Clock::time_point due;
  };
  std::vector<Entry> mTimers;
  std::vector<uintptr_t> mDue;
};

// The plug-in's timers and its editor's tick start and stop on whichever loop the thread has: ours,
// while we call into the plug-in.
class LoopScope
{
public:
  explicit LoopScope(IRunLoop& loop)
    : mPrevious(GetThreadRunLoop())
  {
    SetThreadRunLoop(&loop);
  }
  ~LoopScope() { SetThreadRunLoop(mPrevious); }
  LoopScope(const LoopScope&) = delete;
  LoopScope& operator=(const LoopScope&) = delete;

private:
  IRunLoop* mPrevious;
};

class EditorUI final : public IPlugLV2_UIHost
{
public:
  ~EditorUI() override
  {
    LoopScope scope(mLoop);
    if (mPlug)
    {
      mPlug->Plug().CloseEditor();
      mPlug->Plug().SetRunLoop(nullptr);
      mPlug.reset();
    }
  }

  bool Open(const IPlugLV2_Info& info, const IPlugLV2_Variant& variant, LV2UI_Write_Function write,
            LV2UI_Controller controller, const LV2_Feature* const* features, LV2UI_Widget* widget)
  {
    void* parent = const_cast<void*>(FindLV2Feature(features, LV2_UI__parent));
    const auto* map = static_cast<const LV2_URID_Map*>(FindLV2Feature(features, LV2_URID__map));
    if (parent == nullptr || write == nullptr || info.mCreate == nullptr || !mURIs.Map(map, info.mURIPrefix))
      return false;
    lv2_atom_forge_init(&mForge, const_cast<LV2_URID_Map*>(map));
    mWrite = write;
    mController = controller;
    mTouch = static_cast<const LV2UI_Touch*>(FindLV2Feature(features, LV2_UI__touch));
    mResize = static_cast<const LV2UI_Resize*>(FindLV2Feature(features, LV2_UI__resize));

    LoopScope scope(mLoop);
    std::unique_ptr<IPlugHosted> made(info.mCreate());
    if (!made || !made->HasEditor())
      return false;
    mPlug = std::make_unique<IPlugLV2>(std::move(made), info, variant);
    // The timer moves host values to the editor; it ticks on the loop the host's idle call pumps.
    mPlug->Plug().SetRunLoop(&mLoop);
    mControlPort = FindLV2Port(mPlug->Ports(), LV2PortKind::kControl);
    mPlug->SetUIHost(this);
    // Opening, the editor reports the size it was made with; sent to the DSP, that would overwrite the
    // stored zoom before the DSP answers the request below, and the answer would shrink the editor back.
    mOpening = true;
    void* view = mPlug->Plug().OpenEditor(parent);
    mOpening = false;
    if (view == nullptr)
      return false; // no display or no OpenGL: the host shows its own controls
    *widget = view;

    // The host learns the size now; the stored zoom arrives from the DSP in answer to this request.
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;
    mPlug->Plug().GetStateEditorSize(width, height, scale);
    ResizeHost(static_cast<int>(std::lround(width * scale)), static_cast<int>(std::lround(height * scale)));
    SendAtom([this] { return ForgeEditorSizeRequest(mURIs, mForge); });
    return true;
  }

  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
  {
    LoopScope scope(mLoop);
    mPlug->PortEvent(port, size, format, buffer, mURIs);
  }

  int Idle()
  {
    LoopScope scope(mLoop);
    mLoop.Pump();
    return 0;
  }

  // IPlugLV2_UIHost
  void WriteControl(uint32_t port, float value) override { mWrite(mController, port, sizeof(float), 0, &value); }

  void Touch(uint32_t port, bool grabbed) override
  {
    if (mTouch != nullptr && mTouch->touch != nullptr)
      mTouch->touch(mTouch->handle, port, grabbed);
  }

  bool ResizeHost(int width, int height) override
  {
    if (mResize == nullptr || mResize->ui_resize == nullptr || width <= 0 || height <= 0)
      return false;
    return mResize->ui_resize(mResize->handle, width, height) == 0;
  }

  void SendEditorSize(int32_t width, int32_t height, float scale) override
  {
    if (mOpening)
      return;
    SendAtom([&] { return ForgeEditorSizeMessage(mURIs, mForge, width, height, scale); });
  }

private:
  template <typename Forge>
  void SendAtom(Forge forge)
  {
    if (mControlPort < 0)
      return;
    alignas(8) std::array<uint8_t, 256> buffer{};
    lv2_atom_forge_set_buffer(&mForge, buffer.data(), buffer.size());
    if (!forge())
      return;
    const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer.data());
    mWrite(mController, static_cast<uint32_t>(mControlPort), lv2_atom_total_size(atom), mURIs.atomEventTransfer,
           atom);
  }

  IdleRunLoop mLoop; // first in, last out: the plug-in's timers stop on it
  std::unique_ptr<IPlugLV2> mPlug;
  IPlugLV2_URIs mURIs;
  LV2_Atom_Forge mForge{};
  LV2UI_Write_Function mWrite = nullptr;
  LV2UI_Controller mController = nullptr;
  const LV2UI_Touch* mTouch = nullptr;
  const LV2UI_Resize* mResize = nullptr;
  int mControlPort = -1;
  bool mOpening = false;
};

EditorUI* UI(LV2UI_Handle handle) { return static_cast<EditorUI*>(handle); }

LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginURI, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
  const IPlugLV2_Info* info = gInfo.load();
  if (info == nullptr || descriptor == nullptr || widget == nullptr)
    return nullptr;
  const IPlugLV2_Variant* variant = info->FindVariantByUI(descriptor->URI);
  if (variant == nullptr || (pluginURI != nullptr && std::strcmp(pluginURI, variant->mURI) != 0))
    return nullptr;
  try
  {
    auto ui = std::make_unique<EditorUI>();
    if (!ui->Open(*info, *variant, write, controller, features, widget))
      return nullptr;
    return ui.release();
  }
  catch (...)
  {
    return nullptr;
  }
}

void Cleanup(LV2UI_Handle handle) { delete UI(handle); }

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  UI(handle)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle handle) { return UI(handle)->Idle(); }

const void* ExtensionData(const char* uri)
{
  static const LV2UI_Idle_Interface idle = {Idle};
  if (uri != nullptr && std::string_view(uri) == LV2_UI__idleInterface)
    return &idle;
  return nullptr;
}

} // namespace

const LV2UI_Descriptor* IPlugLV2_UIDescriptor(const IPlugLV2_Info& info, uint32_t index)
{
  if (index >= static_cast<uint32_t>(info.mNumVariants) || index >= IPlugLV2_Info::kMaxVariants)
    return nullptr;
  // Made once, from the one info a module has; later calls only read the table.
  static const std::array<LV2UI_Descriptor, IPlugLV2_Info::kMaxVariants> descriptors = [&info] {
    gInfo.store(&info);
    std::array<LV2UI_Descriptor, IPlugLV2_Info::kMaxVariants> made{};
    for (int i = 0; i < info.mNumVariants && i < IPlugLV2_Info::kMaxVariants; ++i)
      made[static_cast<size_t>(i)] = {info.mVariants[i].mUIURI, Instantiate, Cleanup, PortEvent, ExtensionData};
    return made;
  }();
  return &descriptors[index];
}

} // namespace iplug
