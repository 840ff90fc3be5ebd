#include "SharedDeviceTest.h"

TestDevice* SharedDeviceTest::device_ = nullptr;

void SharedDeviceTest::SetUpTestSuite()
{
    device_ = new TestDevice(DeviceSize, DeviceSize);
}

void SharedDeviceTest::TearDownTestSuite()
{
    delete device_;
    device_ = nullptr;
}

void SharedDeviceTest::SetUp()
{
    ASSERT_TRUE(device_->Ok()) << device_->Error();
    D3DCAPS8 caps;
    ASSERT_EQ(S_OK, Device()->GetDeviceCaps(&caps));
    ASSERT_GE(caps.PixelShaderVersion, D3DPS_VERSION(1, 1));
}
