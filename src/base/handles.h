#pragma once
// Opaque handles the core passes to the front end without looking inside. The Win32 layer
// stores HWNDs here, the Qt layer QWidget pointers, the tests their fake controls.
namespace tarnwick {

using WindowHandle = void*;

}  // namespace tarnwick
