#include "host/media/devices/device_list_diff.h"

#include <gtest/gtest.h>

namespace kvp::av {
namespace {

const DeviceInfo kTestCamera{kTestCameraId, "Test camera", true, true};
const DeviceInfo kUsb{"/dev/video0", "USB camera", true, false};
const DeviceInfo kBuiltIn{"/dev/video2", "Built-in", false, false};

TEST(DeviceListDiffTest, SameListsHaveNoChanges) {
  EXPECT_TRUE(DiffDeviceLists({kUsb, kBuiltIn}, {kUsb, kBuiltIn}).empty());
}

TEST(DeviceListDiffTest, FirstRealCameraReplacesTheTestCameraAsDefault) {
  const auto changes = DiffDeviceLists({kTestCamera}, {kUsb});
  ASSERT_EQ(1u, changes.added.size());
  EXPECT_EQ("/dev/video0", changes.added[0].id);
  ASSERT_EQ(1u, changes.removed.size());
  EXPECT_EQ(kTestCameraId, changes.removed[0].id);
  EXPECT_TRUE(changes.default_changed);
  EXPECT_EQ(kTestCameraId, changes.previous_default_id);
  EXPECT_EQ("/dev/video0", changes.new_default.id);
}

TEST(DeviceListDiffTest, AnotherDeviceComingKeepsTheDefault) {
  const auto changes = DiffDeviceLists({kUsb}, {kUsb, kBuiltIn});
  ASSERT_EQ(1u, changes.added.size());
  EXPECT_TRUE(changes.removed.empty());
  EXPECT_FALSE(changes.default_changed);
}

TEST(DeviceListDiffTest, DefaultMovingIsReportedWithoutAddOrRemove) {
  DeviceInfo usb = kUsb;
  usb.is_default = false;
  DeviceInfo built_in = kBuiltIn;
  built_in.is_default = true;
  const auto changes = DiffDeviceLists({kUsb, kBuiltIn}, {usb, built_in});
  EXPECT_TRUE(changes.added.empty());
  EXPECT_TRUE(changes.removed.empty());
  EXPECT_TRUE(changes.default_changed);
  EXPECT_EQ("/dev/video2", changes.new_default.id);
}

TEST(DeviceListDiffTest, LastDeviceGoingLeavesNoDefault) {
  const auto changes = DiffDeviceLists({kUsb}, {});
  EXPECT_TRUE(changes.default_changed);
  EXPECT_TRUE(changes.new_default.id.empty());
}

}  // namespace
}  // namespace kvp::av
