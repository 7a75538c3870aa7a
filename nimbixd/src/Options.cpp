#include "Options.h"

#include <limits>

namespace nimbixd {

namespace {

// A whole number from min to max, with an optional K, M or G (powers of 1024)
// when binary is set.
std::uint64_t parse_count(const std::string& text, std::uint64_t min, std::uint64_t max, bool binary = false)
{
    std::string digits = text;
    std::uint64_t unit = 1;
    if (binary && !digits.empty()) {
        const char suffix = digits.back();
        const std::string units = "KMG";
        if (const auto at = units.find(suffix); at != std::string::npos) {
            unit = 1ull << (10 * (at + 1));
            digits.pop_back();
        }
    }
    if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string::npos)
        throw std::invalid_argument("\"" + text + "\" is not a whole number" + (binary ? " (K, M or G may follow)" : ""));
    const std::uint64_t value = std::stoull(digits);
    if (value > max / unit || value * unit < min || value * unit > max)
        throw std::invalid_argument("\"" + text + "\" is out of range (" + std::to_string(min) + " to "
                                    + std::to_string(max) + ")");
    return value * unit;
}

std::chrono::seconds parse_seconds(const std::string& text)
{
    return std::chrono::seconds(parse_count(text, 1, 86400));
}

} // namespace

Options parse_options(const std::vector<std::string>& args)
{
    Options options;
    bool have_listen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        try {
            if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--verbose" || arg == "-v") {
                options.verbose = true;
            } else if (arg == "--listen") {
                options.listen = parse_endpoint(value());
                have_listen = true;
            } else if (arg == "--hash-db") {
                options.hash_dbs.push_back(value());
            } else if (arg == "--queue") {
                options.queue_dbs.push_back(value());
            } else if (arg == "--samples") {
                options.samples = value();
            } else if (arg == "--csp4") {
                options.csp4 = parse_endpoint(value());
            } else if (arg == "--max-connections") {
                options.limits.total = parse_count(value(), 1, 100000);
            } else if (arg == "--max-per-peer") {
                options.limits.per_peer = parse_count(value(), 1, 100000);
            } else if (arg == "--idle-timeout") {
                options.limits.idle = parse_seconds(value());
            } else if (arg == "--request-timeout") {
                options.limits.request = parse_seconds(value());
            } else if (arg == "--upload-timeout") {
                options.limits.upload = parse_seconds(value());
            } else if (arg == "--samples-max-bytes") {
                options.quota.bytes = parse_count(value(), 0, std::numeric_limits<std::int64_t>::max(), true);
            } else if (arg == "--samples-max-count") {
                options.quota.count = parse_count(value(), 0, 100000000);
            } else {
                throw UsageError("unknown argument \"" + arg + "\"");
            }
        } catch (const std::invalid_argument& e) {
            throw UsageError(arg + " " + e.what());
        }
    }
    if (options.help)
        return options;
    if (!have_listen)
        throw UsageError("--listen ADDR:PORT is required");
    if (options.hash_dbs.empty())
        throw UsageError("at least one --hash-db FILE is required");
    if (options.limits.per_peer > options.limits.total)
        throw UsageError("--max-per-peer cannot be above --max-connections");
    return options;
}

std::string usage()
{
    return R"(usage: nimbixd --listen ADDR:PORT --hash-db FILE [--hash-db FILE...]
               [--queue FILE...] [--samples DIR] [--csp4 ADDR:PORT] [--verbose]
               [LIMITS...]

Reference lookup service for libNimbix: answers the digest query
POST /interface/cloud/query (form field md5=<32 hex digits>) with one JSON
object {"source", "level", "name", "id"} over HTTP/1.1 with keep-alive.

  --listen ADDR:PORT  HTTP address; port 0 picks a free port. The bound
                      address is printed as "nimbixd: listening on ADDR:PORT".
  --hash-db FILE      ClamAV hash signatures (.hdb): "md5:size:name" a line,
                      optionally ":minfl" after the name; '#' comments and
                      blank lines are allowed; the size is not checked.
                      A listed digest is dangerous: level 2, its name, and as
                      id the signature's position across all databases.
                      Any other digest is clean: level 1, empty name.
  --queue FILE        Digests still queued for analysis: one MD5 a line (.hdb
                      lines are accepted, only their digest counts). A listed
                      digest answers "source":"queue", even when a hash
                      database lists it too.
  --samples DIR       Serve the sample upload POST /upfileload.php (multipart
                      field userdata_upload) and store samples in DIR named by
                      their MD5: "success":1 with "key", or "error":1062 when
                      that content is already stored. A different content
                      with a digest already stored is kept beside it as
                      MD5.1, MD5.2, ... (its key). Without --samples, 404.
  --csp4 ADDR:PORT    Also serve the CSP4 framed protocol: HashQuery frames get
                      HashResponse frames. Printed as "nimbixd: csp4 listening
                      on ADDR:PORT" before the HTTP line.
  -v, --verbose       Log one line per request to standard error.
  -h, --help          Show this text.

Limits (each port has its own connections):
  --max-connections N     connections at once (1024); more are refused: HTTP
                          with 503, CSP4 by closing
  --max-per-peer N        of them from one address, IPv6 from one /64 (64)
  --idle-timeout S        wait for the first byte of a request or frame (30)
  --request-timeout S     from that byte to the end of a query or a frame,
                          and for each answer to be taken (10)
  --upload-timeout S      from that byte to the end of a sample upload (120)
  --samples-max-bytes N   bytes the sample folder may hold, K/M/G allowed (1G)
  --samples-max-count N   samples it may hold (10000)
Fixed: request heads 8 KiB (431); query bodies 4 KiB, upload bodies 10 MiB +
64 KiB (413); samples 10485760 bytes or the form's smaller MAX_FILE_SIZE
(413); a full sample folder answers 507. A request that runs out of time gets
408; malformed requests and framing that RFC 9112 forbids (Transfer-Encoding
not ending in chunked, with Content-Length, or in HTTP/1.0) get 400, other
transfer codings 501. After any of these the connection is closed. CSP4
frames hold at most 65536 bytes (larger: the connection is closed) and a
query at most 1024 digests (more: STATUS_ERROR).

A malformed database line stops start-up with its file and line.
SIGINT or SIGTERM stops the service.
)";
}

} // namespace nimbixd
