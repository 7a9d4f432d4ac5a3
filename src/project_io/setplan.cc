#include "project_io/setplan.h"

namespace vemba_core::project_io {

// The drawing spans a 5 × 3.5 m room at 150 px per metre; the sensor width is
// Super 35's, from which the app draws each camera's field of view.
json::value default_set_plan() {
  json::object scale;
  scale["roomW"] = 5;
  scale["roomH"] = 3.5;
  scale["unit"] = "m";
  scale["unitsPerPx"] = 1.0 / 150.0;
  json::object plan;
  plan["w"] = 750;
  plan["h"] = 525;
  plan["scale"] = std::move(scale);
  plan["grid"] = true;
  plan["dark"] = false;
  plan["bg"] = nullptr;
  plan["bgOpacity"] = 0.6;
  plan["showRays"] = false;
  plan["snap"] = false;
  plan["sensorW"] = 24.89;
  plan["elements"] = json::array();
  return plan;
}

}  // namespace vemba_core::project_io
