// Object-store throughput of qr-backend on loopback: one object sent as a single streamed PUT
// and as a multipart upload, side by side with a plain `curl -T` of the same file to the same
// store. Prints one row per upload in the form bench/run collects, with the throughput ratio
// to curl.
//
//   backend_store_bench [--size-mib N] [--part-mib M] [--repeat R] [--backend PATH]

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "backend_client.h"
#include "backend_process.h"
#include "common/crypto.h"
#include "testing/temp_dir.h"

namespace qr_backend::testing {
namespace {

struct Options {
  int64_t size_mib = 1024;
  int64_t part_mib = 4;
  int repeat = 1;
  std::string backend = QUICKREC_BIN_DIR "/qr-backend";
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--size-mib") {
      options.size_mib = std::stoll(value);
    } else if (name == "--part-mib") {
      options.part_mib = std::stoll(value);
    } else if (name == "--repeat") {
      options.repeat = std::stoi(value);
    } else if (name == "--backend") {
      options.backend = value;
    } else {
      return std::nullopt;
    }
  }
  if (argc % 2 == 0 || options.size_mib <= 0 || options.part_mib <= 0 || options.repeat <= 0) {
    return std::nullopt;
  }
  return options;
}

// Incompressible content, so neither side can profit from patterns.
bool WriteSourceFile(const std::string& path, int64_t size) {
  std::ofstream out(path, std::ios::binary);
  std::vector<uint64_t> block((1 << 20) / sizeof(uint64_t));
  uint64_t state = 0x9e3779b97f4a7c15ull;
  for (int64_t written = 0; written < size; written += 1 << 20) {
    for (auto& word : block) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    out.write(reinterpret_cast<const char*>(block.data()),
              std::min<int64_t>(1 << 20, size - written));
  }
  return static_cast<bool>(out);
}

// Runs a program without a shell; true when it exits 0 and prints `expected`.
bool Run(std::vector<std::string> args, const std::string& expected) {
  int out[2];
  if (pipe(out) != 0) return false;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string printed;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) printed.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && printed == expected;
}

struct Upload {
  int port;
  std::string path;  // "/bucket/key"
  httplib::Headers put_auth;
  httplib::Headers post_auth;
  std::string url;
};

bool CurlPut(const Upload& upload, const std::string& file) {
  std::vector<std::string> args = {"curl", "-sS",          "-o", "/dev/null",
                                   "-w",   "%{http_code}", "-T", file};
  for (const auto& [name, value] : upload.put_auth)
    args.insert(args.end(), {"-H", name + ": " + value});
  args.push_back(upload.url);
  return Run(args, "200");
}

// Streams the file from disk in 1 MiB reads, as an uploader would.
httplib::ContentProvider FileProvider(int fd, int64_t base) {
  return [fd, base](size_t offset, size_t length, httplib::DataSink& sink) {
    std::vector<char> buffer(std::min<size_t>(length, 1 << 20));
    const ssize_t n = pread(fd, buffer.data(), buffer.size(), base + static_cast<int64_t>(offset));
    return n > 0 && sink.write(buffer.data(), static_cast<size_t>(n));
  };
}

bool StreamedPut(const Upload& upload, int fd, int64_t size) {
  httplib::Client client("127.0.0.1", upload.port);
  client.set_write_timeout(60);
  client.set_read_timeout(60);
  const auto result = client.Put(upload.path, upload.put_auth, static_cast<size_t>(size),
                                 FileProvider(fd, 0), "video/mp4");
  return result && result->status == 200;
}

// Sends the parts one after another, then completes; `completion_seconds` gets the time the
// completion request took, which is what a user waits for when a recording ends.
bool MultipartPut(const Upload& upload, int fd, int64_t size, int64_t part_size,
                  double& completion_seconds) {
  httplib::Client client("127.0.0.1", upload.port);
  client.set_keep_alive(true);
  client.set_write_timeout(60);
  client.set_read_timeout(300);
  const auto initiated = client.Post(upload.path + "?uploads", upload.post_auth, "", "video/mp4");
  if (!initiated || initiated->status != 200) return false;
  const std::string upload_id =
      nlohmann::json::parse(initiated->body, nullptr, false).value("upload_id", "");
  nlohmann::json parts = nlohmann::json::array();
  int number = 1;
  for (int64_t offset = 0; offset < size; offset += part_size, ++number) {
    const int64_t length = std::min(part_size, size - offset);
    const auto part = client.Put(
        upload.path + "?partNumber=" + std::to_string(number) + "&uploadId=" + upload_id,
        upload.put_auth, static_cast<size_t>(length), FileProvider(fd, offset), "video/mp4");
    if (!part || part->status != 200) return false;
    parts.push_back({{"part_number", number}, {"etag", part->get_header_value("ETag")}});
  }
  const auto begin = std::chrono::steady_clock::now();
  const auto done = client.Post(upload.path + "?uploadId=" + upload_id, upload.post_auth,
                                nlohmann::json{{"parts", parts}}.dump(), "application/json");
  completion_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  return done && done->status == 200;
}

// Best wall time of `repeat` runs, in seconds; nullopt when a run failed.
std::optional<double> Measure(int repeat, const std::function<bool()>& run) {
  std::optional<double> best;
  for (int i = 0; i < repeat; ++i) {
    const auto begin = std::chrono::steady_clock::now();
    if (!run()) return std::nullopt;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (!best || seconds < *best) best = seconds;
  }
  return best;
}

int Main(const Options& options) {
  TempDir dir;
  const int64_t size = options.size_mib << 20;
  const std::string file = dir.path() + "/source.bin";
  if (!WriteSourceFile(file, size)) {
    std::cerr << "cannot write " << file << "\n";
    return 1;
  }
  BackendProcess backend(dir.path() + "/data", {{"segment_size", options.part_mib << 20}},
                         options.backend);
  if (!backend.Start({"--quiet"})) {
    std::cerr << "cannot start " << options.backend << "\n" << backend.log();
    return 1;
  }
  const AdminClient admin(backend.api_port(), backend.admin_token());
  const ApiClient api(backend.api_port(), admin.CreateUser("bench"));
  const auto start = api.Post("/v2/record/control/get-start-data", StartBody("bench"));
  if (start.value("code", -1) != 0) {
    std::cerr << "start failed: " << start.dump() << "\n";
    return 1;
  }
  const nlohmann::json& data = start["data"];
  const Upload upload{backend.cos_port(), ObjectClient::PathOf(data["video_cos_key"]),
                      ObjectClient::Auth(data, "put"), ObjectClient::Auth(data, "post"),
                      data["video_cos_key"]};
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);

  struct Row {
    std::string name;
    std::optional<double> seconds;
  };
  std::vector<Row> rows;
  rows.push_back(
      {"curl -T (single PUT)", Measure(options.repeat, [&] { return CurlPut(upload, file); })});
  rows.push_back(
      {"object PUT", Measure(options.repeat, [&] { return StreamedPut(upload, fd, size); })});
  std::optional<double> completion;
  rows.push_back({"multipart (" + std::to_string(options.part_mib) + " MiB parts)",
                  Measure(options.repeat, [&] {
                    double seconds = 0;
                    const bool ok = MultipartPut(upload, fd, size, options.part_mib << 20, seconds);
                    if (ok && (!completion || seconds < *completion)) completion = seconds;
                    return ok;
                  })});
  close(fd);
  backend.Stop();

  // One row per upload in the form bench/run collects: name | ours | reference | ratio | note.
  const auto& reference = rows.front().seconds;
  bool ok = reference.has_value();
  const auto rate = [&](double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB/s", static_cast<double>(options.size_mib) / seconds);
    return std::string(text);
  };
  for (size_t i = 1; i < rows.size(); ++i) {
    const Row& row = rows[i];
    std::string name = "qr-backend " + row.name + ", " + std::to_string(options.size_mib) + " MiB";
    if (!row.seconds || !reference) {
      std::printf("%-44s | %-16s | %-16s | %-8s | %s\n", name.c_str(), "FAILED", "-", "-",
                  "an upload failed");
      ok = false;
      continue;
    }
    // Throughput ratio: above 1 is faster than curl -T to the same store.
    const std::string note = "reference: curl -T of the same file to the same store, best of " +
                             std::to_string(options.repeat);
    std::printf("%-44s | %-16s | %-16s | %-8.2f | %s\n", name.c_str(), rate(*row.seconds).c_str(),
                rate(*reference).c_str(), *reference / *row.seconds, note.c_str());
  }
  if (completion) {
    // No reference tool completes a multipart upload; the figure stands alone.
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", *completion * 1000);
    const std::string name = "qr-backend multipart completion, " +
                             std::to_string(options.size_mib) + " MiB";
    std::printf("%-44s | %-16s | %-16s | %-8s | %s\n", name.c_str(), text, "-", "-",
                ("the complete request alone, best of " + std::to_string(options.repeat)).c_str());
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace qr_backend::testing

int main(int argc, char** argv) {
  const auto options = qr_backend::testing::ParseOptions(argc, argv);
  if (!options) {
    std::cerr << "usage: backend_store_bench [--size-mib N] [--part-mib M] [--repeat R] "
                 "[--backend PATH]\n";
    return 2;
  }
  return qr_backend::testing::Main(*options);
}
