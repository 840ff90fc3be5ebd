// The faults the proxy d3d8.dll injects and the file it logs to, read from
// the environment at each Direct3DCreate8 call (so a test can change them
// with SetEnvironmentVariableA between two objects).
//
// REEF_D3D8_LOG names the log file (appended to; see ProxyLog.h).
// REEF_D3D8_FAIL is a comma-separated list of these tokens:
//   create_null      Direct3DCreate8 returns NULL.
//   no_adapters      GetAdapterCount returns 0; every adapter ordinal is invalid.
//   hal_create       CreateDevice with D3DDEVTYPE_HAL fails with D3DERR_NOTAVAILABLE
//                    (other device types pass through).
//   create_fail      every CreateDevice fails with D3DERR_NOTAVAILABLE.
//   reset_fail       every Reset fails with D3DERR_INVALIDCALL.
//   reset_fail_once  only the first Reset fails with D3DERR_INVALIDCALL.
//                    After a failed Reset the device behaves as Wine's does:
//                    TestCooperativeLevel gives D3DERR_DEVICENOTRESET and Present
//                    D3DERR_DEVICELOST until a Reset succeeds.
//   lost=N           after the N-th successful Present, TestCooperativeLevel gives
//                    D3DERR_DEVICELOST for 5 calls (Reset too, meanwhile), then
//                    D3DERR_DEVICENOTRESET until a Reset succeeds; Present gives
//                    D3DERR_DEVICELOST all along without presenting. Happens once
//                    per Direct3D object.
//   extra_ref        the device's final Release returns 1 instead of 0 (the device
//                    is released all the same).
//   modes_dup        every display mode is listed twice, the copy with refresh rate
//                    75 (60 when the original is 75).
//   modes_tiny       320x240 and 640x350 (60 Hz) are added in every format of the list.
//   modes_many       200 more distinct sizes of the desktop format are added
//                    (w = 400 + 4i, h = 300 + 3i, 60 Hz; 640x480 among them).
//   formats_many     24 modes of 800x600 (60 Hz) are added, each in another format
//                    that the list does not hold yet, so the list has more than 20
//                    distinct formats (the additions are not display formats).
//   modes_no640      every 640x480 mode is removed (after the additions above).
//   no_vs            GetDeviceCaps (of the object and of the device) reports
//                    VertexShaderVersion 0 and PixelShaderVersion 0.
//   no_windowed      GetDeviceCaps (both) clears D3DCAPS2_CANRENDERWINDOWED.
//   hal_no_windowed  as no_windowed, for D3DDEVTYPE_HAL only.
//   null_reference   GetDeviceCaps (both) of D3DDEVTYPE_REF sets
//                    D3DPMISCCAPS_NULLREFERENCE (a reduced reference device).
//   no_hal           GetDeviceCaps and CheckDeviceType with D3DDEVTYPE_HAL fail with
//                    D3DERR_NOTAVAILABLE (the adapter has no hardware device).
//   hal_no_desktop   CheckDeviceType with D3DDEVTYPE_HAL fails with D3DERR_NOTAVAILABLE
//                    when the display format is the adapter's desktop format.
//   hal_no_depth     CheckDepthStencilMatch with D3DDEVTYPE_HAL fails with
//                    D3DERR_NOTAVAILABLE.
//   hal_no_desktop_depth  as hal_no_depth, only when the adapter format is the
//                    adapter's desktop format.
//   ms_none          CheckDeviceMultiSampleType fails with D3DERR_NOTAVAILABLE for
//                    every type, D3DMULTISAMPLE_NONE included.
//   two_adapters     one more adapter is reported, a second view of adapter 0: its
//                    calls go to adapter 0, its identifier's Description ends in
//                    " (second)" and its DeviceIdentifier differs.
//   adapters_many    12 adapters are reported: those beyond the real ones are views
//                    of adapter 0 as with two_adapters, their Description ending in
//                    " (view N)" for ordinal N.
//   bad_adapter0     adapter 0 fails CheckDeviceType and CreateDevice with
//                    D3DERR_NOTAVAILABLE (with two_adapters only the second one works).
//   vs_create_fail   every CreateVertexShader and CreatePixelShader fails with
//                    D3DERR_INVALIDCALL and leaves the handle 0.
//   endsb_fail       every EndStateBlock fails with D3DERR_INVALIDCALL and leaves the
//                    token 0 (the real device's recording is ended and deleted).
//   vb_create_fail   every CreateVertexBuffer fails with D3DERR_OUTOFVIDEOMEMORY.
//   ib_create_fail   every CreateIndexBuffer fails with D3DERR_OUTOFVIDEOMEMORY.
//   vb_lock_fail     every vertex buffer the device makes fails Lock with
//                    D3DERR_INVALIDCALL and a null pointer (the buffer is a wrapper
//                    that the device unwraps when it is bound).
//   ib_lock_fail     the same for every index buffer.
//   begin_scene_fail every BeginScene fails with D3DERR_INVALIDCALL; every
//                    EndScene is then logged ("EndScene -> <result>").
//   begin_scene_fail_at=N  only the N-th BeginScene fails with D3DERR_INVALIDCALL,
//                    logged as "BeginScene n=N -> <result> injected".
// Counts (Presents for lost=N, Resets for reset_fail_once, BeginScene calls
// for begin_scene_fail_at=N) run over all devices of one Direct3D object. Tokens not recognised change nothing; the
// log's Direct3DCreate8 line shows them as "unknown:<token>".
#pragma once

#include <cstdint>
#include <string>

class InjectionConfig {
public:
    enum Fault : uint64_t {
        CreateNull = 1u << 0,
        NoAdapters = 1u << 1,
        HalCreate = 1u << 2,
        CreateFail = 1u << 3,
        ResetFail = 1u << 4,
        ResetFailOnce = 1u << 5,
        Lost = 1u << 6,
        ExtraRef = 1u << 7,
        ModesDup = 1u << 8,
        ModesTiny = 1u << 9,
        ModesMany = 1u << 10,
        ModesNo640 = 1u << 11,
        NoShaders = 1u << 12,
        NoWindowed = 1u << 13,
        TwoAdapters = 1u << 14,
        BadAdapter0 = 1u << 15,
        ShaderCreateFail = 1u << 16,
        EndStateBlockFail = 1u << 17,
        VertexBufferCreateFail = 1u << 18,
        IndexBufferCreateFail = 1u << 19,
        VertexBufferLockFail = 1u << 20,
        IndexBufferLockFail = 1u << 21,
        FormatsMany = 1u << 22,
        AdaptersMany = 1u << 23,
        HalNoWindowed = 1u << 24,
        NullReference = 1u << 25,
        NoHal = 1u << 26,
        HalNoDesktop = 1u << 27,
        HalNoDepth = 1u << 28,
        HalNoDesktopDepth = 1u << 29,
        MultiSampleNone = 1u << 30,
        BeginSceneFail = 1ull << 31,
        BeginSceneFailAt = 1ull << 32,
    };
    static const uint64_t ModeFaults = ModesDup | ModesTiny | ModesMany | ModesNo640 | FormatsMany;

    // Parses a token list as REEF_D3D8_FAIL holds it.
    explicit InjectionConfig(const std::string& tokens = std::string(), const std::string& logPath = std::string());
    static InjectionConfig FromEnvironment();

    bool Has(uint64_t faults) const { return (faults_ & faults) != 0; }
    unsigned LostAfter() const { return lostAfter_; }
    unsigned FailingBeginScene() const { return beginSceneFailAt_; }
    const std::string& LogPath() const { return logPath_; }
    // The tokens in their order, trimmed, each one not recognised written as
    // "unknown:<token>"; "none" when there are none. For the log.
    const std::string& Description() const { return description_; }

private:
    uint64_t faults_ = 0;
    unsigned lostAfter_ = 0;
    unsigned beginSceneFailAt_ = 0;
    std::string logPath_;
    std::string description_;
};
