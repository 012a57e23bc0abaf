// The test-only fault switches: each makes exactly the call it names fail,
// at the call number it names, and leaves the others alone.
#include <gtest/gtest.h>

#include "platform/store/test_switches.h"
#include "tests/store/store_test_util.h"
#include "tests/support/test_device.h"

namespace {
bool Count(DWORD* n)
{
    *n = 0;
    return CeGetUserNotificationHandles(nullptr, 0, n) != FALSE;
}

// A listing into a four-handle array: the call's result and how many came.
std::pair<bool, DWORD> List()
{
    HANDLE handles[4] = {};
    DWORD got = 0;
    const bool ok = CeGetUserNotificationHandles(handles, 4, &got) != FALSE;
    return { ok, got };
}
}  // namespace

TEST(StoreFaults, CountFailsAtTheChosenCallOrAtEvery)
{
    TestDevice device;
    device.Add(TestEntry());
    DWORD n;

    NotifyStoreTestFaults().failCount = true;
    NotifyStoreTestFaults().failCountAt = 2;
    EXPECT_TRUE(Count(&n));
    EXPECT_FALSE(Count(&n));
    EXPECT_TRUE(Count(&n));
    EXPECT_EQ(NotifyStoreTestFaults().countCalls, 3u);
    EXPECT_TRUE(List().first) << "listings are not counts";

    NotifyStoreResetFaults();
    NotifyStoreTestFaults().failCount = true;
    EXPECT_FALSE(Count(&n));
    EXPECT_FALSE(Count(&n));
    NotifyStoreResetFaults();
    EXPECT_TRUE(Count(&n));
    EXPECT_EQ(n, 1u);
}

TEST(StoreFaults, ReportedCountOverridesOnlyTheCount)
{
    TestDevice device;
    device.Add(TestEntry());
    device.Add(TestEntry());
    NotifyStoreTestFaults().reportedCount = 7;
    NotifyStoreTestFaults().reportedCountAt = 1;
    DWORD n;
    ASSERT_TRUE(Count(&n));
    EXPECT_EQ(n, 7u);
    ASSERT_TRUE(Count(&n));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(List().second, 2u) << "the listing still delivers what is there";
}

TEST(StoreFaults, ListingFailsOrComesShort)
{
    TestDevice device;
    for (int i = 0; i < 3; ++i)
        device.Add(TestEntry());

    NotifyStoreTestFaults().failListing = true;
    NotifyStoreTestFaults().failListingAt = 2;
    EXPECT_EQ(List(), std::make_pair(true, 3ul));
    EXPECT_EQ(List(), std::make_pair(false, 0ul));
    EXPECT_EQ(List(), std::make_pair(true, 3ul));

    NotifyStoreResetFaults();
    NotifyStoreTestFaults().listingShortBy = 2;
    EXPECT_EQ(List(), std::make_pair(true, 1ul));
    NotifyStoreTestFaults().listingShortBy = 5;
    EXPECT_EQ(List(), std::make_pair(true, 0ul));
    NotifyStoreTestFaults().listingShortBy = 1;
    NotifyStoreTestFaults().listingShortAt = 4;
    EXPECT_EQ(List(), std::make_pair(true, 3ul));
    EXPECT_EQ(List(), std::make_pair(true, 2ul)) << "the fourth listing since the reset";
    EXPECT_EQ(List(), std::make_pair(true, 3ul));
}

TEST(StoreFaults, ReadFaultsHitOnlyTheirHandle)
{
    TestDevice device;
    HANDLE refused = device.Add(TestEntry());
    HANDLE empty = device.Add(TestEntry());
    HANDLE fine = device.Add(TestEntry());
    NotifyStoreTestFaults().failRead = refused;
    NotifyStoreTestFaults().zeroSizeRead = empty;

    DWORD size = 0;
    CeGetUserNotification(refused, 0, &size, nullptr);
    EXPECT_GT(size, 0u) << "the size query still answers";
    EXPECT_EQ(Deliver(refused).size, 0u);

    size = 77;
    EXPECT_FALSE(CeGetUserNotification(empty, 0, &size, nullptr));
    EXPECT_EQ(size, 0u);
    EXPECT_GT(Deliver(fine).size, 0u);
}

TEST(StoreFaults, ClearFaultsKeepTheEntries)
{
    TestDevice device;
    HANDLE stuck = device.Add(TestEntry());
    HANDLE other = device.Add(TestEntry());
    NotifyStoreTestFaults().failClear = stuck;
    EXPECT_FALSE(CeClearUserNotification(stuck));
    NotifyStoreTestFaults().failAllClears = true;
    EXPECT_FALSE(CeClearUserNotification(other));
    EXPECT_EQ(device.Count(), 2u);
    NotifyStoreResetFaults();
    EXPECT_TRUE(CeClearUserNotification(stuck));
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ other });
}
