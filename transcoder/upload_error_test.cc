#include "transcoder/upload_error.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "transcoder/cos_client.h"

namespace qr_transcoder {
namespace {

CosResponse Http(long status, const std::string& code = "") {
  CosResponse response;
  response.http_status = status;
  response.error_code = code;
  return response;
}

CosResponse Transfer(CURLcode code) {
  CosResponse response;
  response.curl_code = code;
  return response;
}

// The module starts over on 1, 5, 6; resumes on 2, 3; asks for new credentials on 4.
TEST(UploadErrorTest, StoreAnswersMapToTheCodeThatMakesTheRightRetry) {
  EXPECT_EQ(ClassifyCosFailure(Http(200)), kUploadOk);
  EXPECT_EQ(ClassifyCosFailure(Http(204)), kUploadOk);
  EXPECT_EQ(ClassifyCosFailure(Http(403, "AccessDenied")), kUploadAuth);
  EXPECT_EQ(ClassifyCosFailure(Http(401)), kUploadAuth);
  EXPECT_EQ(ClassifyCosFailure(Http(500, "InternalError")), kUploadServer);
  EXPECT_EQ(ClassifyCosFailure(Http(503)), kUploadServer);
  EXPECT_EQ(ClassifyCosFailure(Http(404, "NoSuchUpload")), kUploadRejected);
  EXPECT_EQ(ClassifyCosFailure(Http(400, "InvalidPart")), kUploadRejected);
  EXPECT_EQ(ClassifyCosFailure(Http(400, "BadDigest")), kUploadRejected);
}

TEST(UploadErrorTest, TransferFailuresAreNetworkBreaksEvenWithAStatusLine) {
  EXPECT_EQ(ClassifyCosFailure(Transfer(CURLE_COULDNT_CONNECT)), kUploadNetwork);
  EXPECT_EQ(ClassifyCosFailure(Transfer(CURLE_OPERATION_TIMEDOUT)), kUploadNetwork);
  CosResponse dropped = Transfer(CURLE_PARTIAL_FILE);
  dropped.http_status = 200;  // a status line came, the body did not
  EXPECT_EQ(ClassifyCosFailure(dropped), kUploadNetwork);
  EXPECT_EQ(DescribeCosFailure(dropped).rfind("transfer failed", 0), 0u);
}

TEST(UploadErrorTest, OnlyBreaksAndServerFailuresAreRetriedAtOnce) {
  EXPECT_TRUE(IsTransient(kUploadNetwork));
  EXPECT_TRUE(IsTransient(kUploadServer));
  for (UploadError error : {kUploadOk, kUploadRejected, kUploadAuth, kUploadLocalFile, kUploadVerifyFailed, kUploadInternal}) {
    EXPECT_FALSE(IsTransient(error)) << error;
  }
}

}  // namespace
}  // namespace qr_transcoder
