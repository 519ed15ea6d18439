// PNG on Windows: the Windows Imaging Component's PNG encoder and decoder, in memory.

#include "host/Png.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

namespace quorvane::host {

namespace {

// COM on this thread for as long as the object lives (nothing to undo when the thread had it already in
// another mode: WIC works in either).
class ComScope
{
public:
  ComScope() : mInitialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope()
  {
    if (mInitialised)
      CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

private:
  bool mInitialised;
};

// Owns one reference.
template <typename T>
class Com
{
public:
  Com() = default;
  ~Com()
  {
    if (mPointer)
      mPointer->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;

  T* operator->() const { return mPointer; }
  T* Get() const { return mPointer; }
  T** Out() { return &mPointer; }
  void** OutVoid() { return reinterpret_cast<void**>(&mPointer); }

private:
  T* mPointer = nullptr;
};

bool MakeFactory(Com<IWICImagingFactory>& factory)
{
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    factory.OutVoid()));
}

} // namespace

bool EncodePng(const std::vector<uint8_t>& rgb, int width, int height, std::vector<uint8_t>& png, std::string& error)
{
  error = "cannot encode the picture as PNG";
  if (width < 1 || height < 1 || rgb.size() < static_cast<size_t>(width) * height * 3)
    return false;
  const ComScope com;
  Com<IWICImagingFactory> factory;
  Com<IStream> stream;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  if (!MakeFactory(factory) || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Out(), options.Out())) || FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))))
    return false;
  // WIC's byte order is blue first; an encoder may only offer another format, which is refused here.
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    return false;
  const UINT stride = static_cast<UINT>(width) * 3;
  std::vector<uint8_t> bgr(rgb.begin(), rgb.begin() + static_cast<std::ptrdiff_t>(stride) * height);
  for (size_t i = 0; i + 2 < bgr.size(); i += 3)
    std::swap(bgr[i], bgr[i + 2]);
  if (FAILED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(bgr.size()), bgr.data())) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit()))
    return false;

  // The stream's current position is the end of what the encoder wrote.
  ULARGE_INTEGER end{};
  LARGE_INTEGER zero{};
  HGLOBAL memory = nullptr;
  if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &end)) || FAILED(GetHGlobalFromStream(stream.Get(), &memory)))
    return false;
  const void* bytes = GlobalLock(memory);
  if (!bytes)
    return false;
  png.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + end.QuadPart);
  GlobalUnlock(memory);
  error.clear();
  return true;
}

bool DecodePng(const void* data, std::size_t size, std::vector<uint8_t>& rgba, int& width, int& height,
               std::string& error)
{
  error = "not a PNG picture";
  const ComScope com;
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICBitmapSource> converted;
  UINT w = 0;
  UINT h = 0;
  if (size > 0xFFFFFFFFu || !MakeFactory(factory) || FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), static_cast<DWORD>(size))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), &GUID_VendorMicrosoft, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out())))
    return false;
  GUID container{};
  if (FAILED(decoder->GetContainerFormat(&container)) || !IsEqualGUID(container, GUID_ContainerFormatPng))
    return false;
  error = "cannot decode the PNG picture";
  // Blue-first with alpha is the format every WIC converter offers; red and blue are swapped after.
  if (FAILED(decoder->GetFrame(0, frame.Out())) ||
      FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), converted.Out())) ||
      FAILED(converted->GetSize(&w, &h)) || w == 0 || h == 0 || w > 32768 || h > 32768)
    return false;
  rgba.resize(static_cast<size_t>(w) * h * 4);
  if (FAILED(converted->CopyPixels(nullptr, w * 4, static_cast<UINT>(rgba.size()), rgba.data())))
    return false;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4)
    std::swap(rgba[i], rgba[i + 2]);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  error.clear();
  return true;
}

} // namespace quorvane::host
