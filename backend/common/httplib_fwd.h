#pragma once

// The cpp-httplib types our headers name; the .cc files include <httplib.h> itself.
namespace httplib {
class ContentReader;
class Server;
struct Request;
struct Response;
}  // namespace httplib
