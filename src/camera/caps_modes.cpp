#include "camera/caps_modes.h"

namespace ryk {
namespace {

// Calls `each` with every int a field holds: a number, a list, or a range as
// its bounds and step.
template <class F>
void forEachIntSpan(const GValue* v, F each) {
  if (!v) return;
  if (G_VALUE_HOLDS_INT(v)) {
    const int x = g_value_get_int(v);
    each(x, x, 1);
  } else if (GST_VALUE_HOLDS_INT_RANGE(v)) {
    each(gst_value_get_int_range_min(v), gst_value_get_int_range_max(v), gst_value_get_int_range_step(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) forEachIntSpan(gst_value_list_get_value(v, i), each);
  }
}

Fraction fractionOf(const GValue* v) {
  return {gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v)};
}

// The rates as a list, or a range when the caps give one.
void readRates(const GValue* v, OfferedMode& m) {
  if (!v) {  // a source that names no rate runs at any
    m.minRate = {0, 1};
    m.maxRate = {1000, 1};
  } else if (GST_VALUE_HOLDS_FRACTION(v)) {
    m.rates.push_back(fractionOf(v));
  } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
    m.minRate = fractionOf(gst_value_get_fraction_range_min(v));
    m.maxRate = fractionOf(gst_value_get_fraction_range_max(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* r = gst_value_list_get_value(v, i);
      if (GST_VALUE_HOLDS_FRACTION(r)) m.rates.push_back(fractionOf(r));
    }
  }
}

std::vector<std::string> formatsOf(const GstStructure* s) {
  const GValue* v = gst_structure_get_value(s, "format");
  std::vector<std::string> out;
  if (v && G_VALUE_HOLDS_STRING(v)) {
    out.emplace_back(g_value_get_string(v));
  } else if (v && GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* f = gst_value_list_get_value(v, i);
      if (G_VALUE_HOLDS_STRING(f)) out.emplace_back(g_value_get_string(f));
    }
  }
  return out;
}

}  // namespace

std::vector<OfferedMode> offeredModes(const GstCaps* caps) {
  std::vector<OfferedMode> out;
  if (!caps || gst_caps_is_any(caps)) return out;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    OfferedMode base;
    std::vector<std::string> formats;
    if (gst_structure_has_name(s, "image/jpeg")) {
      base.encoding = Encoding::Mjpeg;
      formats.emplace_back();
    } else if (gst_structure_has_name(s, "video/x-raw")) {
      formats = formatsOf(s);
    }
    const GValue* par = gst_structure_get_value(s, "pixel-aspect-ratio");
    if (par && GST_VALUE_HOLDS_FRACTION(par)) base.pixelAspect = fractionOf(par);
    readRates(gst_structure_get_value(s, "framerate"), base);
    std::vector<OfferedMode> sized;
    forEachIntSpan(gst_structure_get_value(s, "width"), [&](int lo, int hi, int step) {
      base.minWidth = lo;
      base.maxWidth = hi;
      base.widthStep = step;
      forEachIntSpan(gst_structure_get_value(s, "height"), [&](int hlo, int hhi, int hstep) {
        OfferedMode m = base;
        m.minHeight = hlo;
        m.maxHeight = hhi;
        m.heightStep = hstep;
        sized.push_back(m);
      });
    });
    for (const std::string& f : formats)
      for (OfferedMode m : sized) {
        m.format = f;
        out.push_back(std::move(m));
      }
  }
  return out;
}

GstCaps* capsFor(const ChosenMode& m) {
  if (!m.found) return nullptr;
  GstCaps* c = gst_caps_new_simple(m.encoding == Encoding::Mjpeg ? "image/jpeg" : "video/x-raw", "width", G_TYPE_INT,
                                   m.width, "height", G_TYPE_INT, m.height, "framerate", GST_TYPE_FRACTION, m.rate.num,
                                   m.rate.den, "pixel-aspect-ratio", GST_TYPE_FRACTION, m.pixelAspect.num,
                                   m.pixelAspect.den, nullptr);
  if (m.encoding == Encoding::Raw) gst_caps_set_simple(c, "format", G_TYPE_STRING, m.format.c_str(), nullptr);
  return c;
}

}  // namespace ryk
