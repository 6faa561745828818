// Layout rules that must hold for every chart, checked over many generated
// charts drawn whole on the recording surface: every point and label where
// its axis says, inside the canvas, and no text over other text.
#include <cstdio>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using chart_test::Chart;
using chart_test::Model;
using chart_test::Stage;

// === Lines and 3D frames ===

// === Legend and margins ===

// === Pies ===

}  // namespace
}  // namespace tessaloom
