#pragma once

namespace qr_backend {

// Business codes of the answer envelope ("code"); docs/signed-requests.md lists them.
enum BizCode : int {
  kBizOk = 0,
  kBizBadRequest = 40000,
  kBizUnknownToken = 40001,
  kBizBadSignature = 40002,
  kBizStaleTimestamp = 40003,
  kBizReplayedNonce = 40004,
  kBizMissingTimestampOrNonce = 40005,
  kBizForbidden = 40300,
  kBizNotFound = 40400,
  kBizConflict = 40900,
  kBizQuotaExceeded = 41300,
  kBizInternal = 50000,
};

}  // namespace qr_backend
