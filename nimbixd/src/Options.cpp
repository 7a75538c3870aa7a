#include "Options.h"

namespace nimbixd {

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
    return options;
}

std::string usage()
{
    return R"(usage: nimbixd --listen ADDR:PORT --hash-db FILE [--hash-db FILE...]
               [--queue FILE...] [--samples DIR] [--csp4 ADDR:PORT] [--verbose]

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
                      that content is already stored. Without it, 404.
  --csp4 ADDR:PORT    Also serve the CSP4 framed protocol: HashQuery frames get
                      HashResponse frames. Printed as "nimbixd: csp4 listening
                      on ADDR:PORT" before the HTTP line.
  -v, --verbose       Log one line per request to standard error.
  -h, --help          Show this text.

A malformed database line stops start-up with its file and line. Malformed
requests get HTTP 400, request heads above 8 KiB 431, request bodies above
10 MiB + 64 KiB 413; the connection is then closed and serving goes on.
Idle connections are closed after 30 s.
SIGINT or SIGTERM stops the service.
)";
}

} // namespace nimbixd
