// Fonts for the Windows window: the embedded font installed for the process from memory, and the bytes
// of the face GDI really chose read back, so the renderer draws what the system would.
#include "editor/platform/IGraphicsWin.h"

#include <algorithm>

#include "editor/platform/IGraphicsWin_Shared.h"

namespace iplug::igraphics {

namespace {

// A font installed from memory for this process; removed when the last window object goes.
class MemoryFontInstallation final : public InstalledFont
{
public:
  explicit MemoryFontInstallation(HANDLE handle) : mHandle(handle) {}
  ~MemoryFontInstallation() override { RemoveFontMemResourceEx(mHandle); }
  MemoryFontInstallation(const MemoryFontInstallation&) = delete;
  MemoryFontInstallation& operator=(const MemoryFontInstallation&) = delete;

private:
  HANDLE mHandle;
};

// The file bytes of the font a handle stands for, read back through GDI. Fails when GDI chose another
// family for the handle (it substitutes rather than fail), so the bytes are always the named font's.
bool ReadFontBytes(HFONT font, const std::wstring& family, std::vector<unsigned char>& bytes)
{
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr)
    return false;
  const HGDIOBJ previous = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  bool ok = GetTextFaceW(dc, LF_FACESIZE, face) > 0 && lstrcmpiW(face, family.c_str()) == 0;
  if (ok)
  {
    const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
    ok = size != GDI_ERROR && size > 0;
    if (ok)
    {
      bytes.resize(size);
      ok = GetFontData(dc, 0, 0, bytes.data(), size) == size;
    }
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  return ok;
}

} // namespace

IGraphicsWin::Font::Font(HFONT font, std::vector<unsigned char> data, const FontDescriptor& descriptor)
  : PlatformFont(descriptor), mFont(font), mData(std::move(data)), mDescriptor(descriptor)
{
}

IGraphicsWin::Font::~Font()
{
  DeleteObject(mFont);
}

std::unique_ptr<PlatformFont> IGraphicsWin::CreatePlatformFont(const unsigned char* data, std::size_t size,
                                                               std::vector<unsigned char> owned,
                                                               std::unique_ptr<InstalledFont>& installed)
{
  if (!owned.empty())
  {
    data = owned.data();
    size = owned.size();
  }
  if (data == nullptr || size == 0 || size > MAXDWORD)
    return nullptr;
  const FontDescriptor descriptor = ReadFontDescriptor(data, size);
  if (!descriptor.valid)
    return nullptr;

  // GDI copies the bytes; it only reads through the pointer it is given.
  DWORD fonts = 0;
  const HANDLE handle =
    AddFontMemResourceEx(const_cast<unsigned char*>(data), static_cast<DWORD>(size), nullptr, &fonts);
  if (handle == nullptr)
    return nullptr;
  auto installation = std::make_unique<MemoryFontInstallation>(handle);

  const std::wstring family = win::Utf8ToWide(descriptor.family);
  LOGFONTW lf{};
  lf.lfWeight = descriptor.Weight();
  lf.lfItalic = descriptor.IsItalic() ? TRUE : FALSE;
  lf.lfUnderline = descriptor.IsUnderline() ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  lf.lfQuality = ANTIALIASED_QUALITY;
  if (family.empty() || family.size() >= LF_FACESIZE)
    return nullptr;
  std::copy(family.begin(), family.end(), lf.lfFaceName);
  const HFONT font = CreateFontIndirectW(&lf);
  if (font == nullptr)
    return nullptr;

  std::vector<unsigned char> bytes;
  const FontDescriptor readBack = ReadFontBytes(font, family, bytes)
                                    ? ReadFontDescriptor(bytes.data(), bytes.size())
                                    : FontDescriptor{};
  if (!readBack.valid)
  {
    DeleteObject(font);
    return nullptr;
  }
  installed = std::move(installation);
  return std::make_unique<Font>(font, std::move(bytes), readBack);
}

} // namespace iplug::igraphics
