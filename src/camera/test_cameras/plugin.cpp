// The test cameras as a GStreamer plugin module (librykcameras.so), for
// programs run by the end-to-end tests: GST_PLUGIN_PATH finds it, and
// $RYK_TEST_CAMERAS says which cameras it offers (see parseTestCameras).
#include <gst/gst.h>

#include "camera/test_cameras/provider_internal.h"

#define PACKAGE "rozoru"

namespace {

gboolean pluginInit(GstPlugin* plugin) {
  if (!ryk::test::detail::registerProviderIn(plugin)) return FALSE;
  const gchar* spec = g_getenv("RYK_TEST_CAMERAS");
  std::vector<ryk::test::TestCamera> cams;
  std::string error;
  if (spec && !ryk::test::parseTestCameras(spec, cams, error)) g_printerr("rykcameras: %s\n", error.c_str());
  for (const auto& c : cams)
    if (!ryk::test::addTestCamera(c, &error)) g_printerr("rykcameras: %s\n", error.c_str());
  return TRUE;
}

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, rykcameras, "Test cameras from recorded camera modes",
                  pluginInit, "1.0", "Proprietary", "rozoru", "rozoru")
