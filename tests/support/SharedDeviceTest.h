// A test suite whose tests share one 64 x 64 device with pixel shaders, made
// once per suite; every test needs pixel shader version 1.1 or higher.
#pragma once

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <string>

class SharedDeviceTest : public ::testing::Test {
public:
    static const int DeviceSize = 64;

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static IDirect3DDevice8* Device() { return device_->Device(); }

    static TestDevice* device_;
};
