// The one RuntimeApp of the upgrader, made before the process entry runs.
#include "app/program_image.h"
#include "app/subroutines.h"
#include "forms/form_runtime.h"
#include "pictures/picture_draw.h"
#include "runtime/host_service.h"
#include "runtime/runtime_app.h"

namespace {

uint32_t PictureToBitmapForLibraries(const uint8_t* bytes, int32_t length, uint32_t) {
  return HostPictureToBitmap(reinterpret_cast<uint32_t>(bytes), static_cast<uint32_t>(length));
}

const ProgramImage* Prepare() {
  SetPictureToBitmap(&PictureToBitmapForLibraries);
  return BuildProgramImage();
}

RuntimeApp theApp(Prepare(), reinterpret_cast<uint32_t>(&ProgramEntry), FormRuntimeSeam());

}  // namespace
