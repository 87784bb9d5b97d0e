#include "storage/nonce_store.h"

#include <gtest/gtest.h>

#include "testing/test_database.h"

namespace qr_backend {
namespace {

using Outcome = NonceStore::Outcome;

TEST(BackendNonceStoreTest, RefusesReuseInsideTheWindowOnly) {
  TestDatabase database;
  NonceStore nonces(database.db());
  EXPECT_EQ(nonces.Remember("alice", "n1", 1000), Outcome::kFresh);
  EXPECT_EQ(nonces.Remember("alice", "n1", 1000 + NonceStore::kWindowSeconds - 1),
            Outcome::kReplayed);
  EXPECT_EQ(nonces.Remember("alice", "n1", 1000 + NonceStore::kWindowSeconds), Outcome::kFresh);
  // Accepting it again restarted its window.
  EXPECT_EQ(nonces.Remember("alice", "n1", 1000 + NonceStore::kWindowSeconds + 1),
            Outcome::kReplayed);
}

TEST(BackendNonceStoreTest, ReplaysAreRefusedAcrossARestart) {
  TestDatabase database;
  NonceStore(database.db()).Remember("alice", "n1", 1000);
  database.Reopen();
  NonceStore reopened(database.db());
  EXPECT_EQ(reopened.Remember("alice", "n1", 1010), Outcome::kReplayed);
  EXPECT_EQ(reopened.Remember("bob", "n1", 1010), Outcome::kFresh);
}

TEST(BackendNonceStoreTest, SweepingOldNoncesKeepsRecentOnes) {
  TestDatabase database;
  NonceStore nonces(database.db());
  EXPECT_EQ(nonces.Remember("alice", "old", 1000), Outcome::kFresh);
  EXPECT_EQ(nonces.Remember("alice", "recent", 1500), Outcome::kFresh);
  // The sweep runs on this call and removes "old" only.
  EXPECT_EQ(nonces.Remember("alice", "other", 1700), Outcome::kFresh);
  auto rows = database.db().Query("SELECT nonce FROM nonces ORDER BY nonce");
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ((*rows)[0].Text(0), "other");
  EXPECT_EQ((*rows)[1].Text(0), "recent");
}

}  // namespace
}  // namespace qr_backend
