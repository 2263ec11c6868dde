#include "sitesurvey/win32/plan_image.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

UniqueCom<IWICImagingFactory> Factory() {
    IWICImagingFactory* factory = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    return UniqueCom<IWICImagingFactory>(factory);
}

std::string Failed(const char* what, HRESULT hr) {
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    return std::string(what) + " (" + code + ")";
}

}  // namespace

std::optional<PlanPicture> DecodePlanImage(std::span<const uint8_t> bytes, std::string& error) {
    ComScope com;
    const UniqueCom<IWICImagingFactory> factory = Factory();
    if (!factory) {
        error = "the Windows Imaging Component is not available";
        return std::nullopt;
    }
    IWICStream* rawStream = nullptr;
    HRESULT hr = factory->CreateStream(&rawStream);
    const UniqueCom<IWICStream> stream(rawStream);
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    IWICBitmapDecoder* rawDecoder = nullptr;
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &rawDecoder);
    const UniqueCom<IWICBitmapDecoder> decoder(rawDecoder);
    IWICBitmapFrameDecode* rawFrame = nullptr;
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &rawFrame);
    const UniqueCom<IWICBitmapFrameDecode> frame(rawFrame);
    if (FAILED(hr)) {
        error = Failed("the plan image cannot be read", hr);
        return std::nullopt;
    }
    UINT width = 0, height = 0;
    frame->GetSize(&width, &height);
    if (width == 0 || height == 0 || width > kMaxPlanSide || height > kMaxPlanSide) {
        error = "the plan image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
            std::to_string(kMaxPlanSide) + " x " + std::to_string(kMaxPlanSide) + " are allowed";
        return std::nullopt;
    }
    IWICBitmapSource* rawConverted = nullptr;
    hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), &rawConverted);
    const UniqueCom<IWICBitmapSource> converted(rawConverted);
    PlanPicture picture{static_cast<int>(width), static_cast<int>(height),
                        std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    if (SUCCEEDED(hr))
        hr = converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(picture.pixels.size() * 4),
                                   reinterpret_cast<BYTE*>(picture.pixels.data()));
    if (FAILED(hr)) {
        error = Failed("the plan image cannot be read", hr);
        return std::nullopt;
    }
    for (uint32_t& p : picture.pixels) p &= 0x00FFFFFF;
    return picture;
}

bool WritePng(const PlanPicture& picture, const std::string& fileName, std::string& error) {
    ComScope com;
    const UniqueCom<IWICImagingFactory> factory = Factory();
    if (!factory) {
        error = "the Windows Imaging Component is not available";
        return false;
    }
    const std::wstring target = Widen(fileName), temporary = target + L".tmp";
    HRESULT hr;
    {
        IWICStream* rawStream = nullptr;
        hr = factory->CreateStream(&rawStream);
        const UniqueCom<IWICStream> stream(rawStream);
        if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(temporary.c_str(), GENERIC_WRITE);
        IWICBitmapEncoder* rawEncoder = nullptr;
        if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &rawEncoder);
        const UniqueCom<IWICBitmapEncoder> encoder(rawEncoder);
        if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
        IWICBitmapFrameEncode* rawFrame = nullptr;
        if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&rawFrame, nullptr);
        const UniqueCom<IWICBitmapFrameEncode> frame(rawFrame);
        if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
        if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height));
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
        if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
        if (SUCCEEDED(hr) && format != GUID_WICPixelFormat32bppBGR) hr = E_FAIL;
        if (SUCCEEDED(hr))
            hr = frame->WritePixels(static_cast<UINT>(picture.height), static_cast<UINT>(picture.width) * 4,
                                    static_cast<UINT>(picture.pixels.size() * 4),
                                    reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
        if (SUCCEEDED(hr)) hr = frame->Commit();
        if (SUCCEEDED(hr)) hr = encoder->Commit();
    }
    if (SUCCEEDED(hr) && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        hr = HRESULT_FROM_WIN32(GetLastError());
    if (FAILED(hr)) {
        DeleteFileW(temporary.c_str());
        error = Failed(("cannot write " + fileName).c_str(), hr);
        return false;
    }
    return true;
}
