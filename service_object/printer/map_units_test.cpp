#include "service_object/printer/map_units.h"

#include <gtest/gtest.h>

#include "service_object/printer/page_area.h"

namespace {

TEST(MapUnitsTest, ConvertsEachMapModeTowardZero) {
  struct Case {
    int32_t mapMode, value;
    int64_t dots;
  };
  const Case cases[] = {
      {1, 100, 100},    {1, -7, -7},   {2, 1440, 203},  // one inch: 203.2
      {2, 100, 14},                                     // 14.11
      {2, -1440, -203},                                 // toward zero
      {3, 1000, 203},   {3, 500, 101}, {4, 10, 0},     {4, 1000, 80},
      {4, -15, -1},     {0, 1000, 80}, {7, 125, 10},  // any other mode is metric
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MapUnitsToDots(c.mapMode, c.value), c.dots) << c.mapMode << " " << c.value;
  }
}

TEST(MapUnitsTest, TwipsUseTheSinglePrecisionConstant) {
  // 164 700 twips: 23 240.99... dots with an exact 1/1440, 23 241.0006
  // with 0.000694444461.
  EXPECT_EQ(MapUnitsToDots(2, 164700), 23241);
}

TEST(PageAreaTest, ParsesFourNumbersOrTakesTheDefault) {
  struct Case {
    const char* text;
    PageArea area;
  };
  const Case cases[] = {
      {"", {0, 0, 512, 1572}},
      {"0,0,576,800", {0, 0, 576, 800}},
      {"10, 20 ,30,40", {10, 20, 30, 40}},
      {"x,,-5,7abc", {0, 0, -5, 7}},
      {"1,2", {1, 2, 0, 0}},
      {"1,2,3,4,5", {1, 2, 3, 4}},
      {"99999999999,0,0,0", {2147483647, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    PageArea a = ParsePageModePrintArea(c.text);
    EXPECT_EQ(a.x, c.area.x) << c.text;
    EXPECT_EQ(a.y, c.area.y) << c.text;
    EXPECT_EQ(a.width, c.area.width) << c.text;
    EXPECT_EQ(a.height, c.area.height) << c.text;
  }
}

}  // namespace
