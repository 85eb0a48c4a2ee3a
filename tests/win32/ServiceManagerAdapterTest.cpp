// The service manager adapter against Wine's service control manager.
#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>

#include "platform/win32/Win32ServiceManager.h"

namespace lumivane::win32 {
namespace {

TEST(ServiceManagerAdapterTest, AnswersWithTheStateOfTheWmiService) {
  const ServiceQuery query = Win32ServiceManager().QueryServiceState(u"winmgmt");
  ASSERT_EQ(query.stage, ServiceQuery::Stage::Ok) << "error " << query.errorCode;
  EXPECT_GE(query.currentState, static_cast<uint32_t>(SERVICE_STOPPED));
  EXPECT_LE(query.currentState, static_cast<uint32_t>(SERVICE_PAUSED));
  std::cout << "winmgmt state " << query.currentState << "\n";
}

TEST(ServiceManagerAdapterTest, AServiceThatDoesNotExistFailsAtTheServiceStage) {
  const ServiceQuery query = Win32ServiceManager().QueryServiceState(u"lumivane-no-such-service");
  EXPECT_EQ(query.stage, ServiceQuery::Stage::ServiceFailed);
  EXPECT_EQ(query.errorCode, static_cast<uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST(ServiceManagerAdapterTest, AnInvalidNameFailsAtTheServiceStage) {
  const ServiceQuery query = Win32ServiceManager().QueryServiceState(u"");
  EXPECT_EQ(query.stage, ServiceQuery::Stage::ServiceFailed);
  EXPECT_NE(query.errorCode, 0u);
}

} // namespace
} // namespace lumivane::win32
