#pragma once

// A PostgreSQL server of a test's own: a cluster made by initdb in a folder of its own,
// reached only through a Unix socket there, stopped and removed at the end. Nothing runs
// beforehand and nothing is left behind. As root (CI) the server runs as the postgres
// user, which initdb requires.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace support {

class PostgresServer {
public:
    // A durable server syncs its commits to the disk as a line's would; the tests' skip it
    // for speed.
    explicit PostgresServer(bool durable = false) : m_durable(durable)
    {
        m_bin = FindBinaries();
        if (m_bin.empty()) {
            m_problem = "PostgreSQL's server is not installed (Debian's postgresql; scripts/setup "
                        "installs it)";
            return;
        }
        char folder[] = "/tmp/quobin-pg-XXXXXX"; // short: a socket's path is limited
        if (mkdtemp(folder) == nullptr) {
            m_problem = "cannot make a folder for the server";
            return;
        }
        m_dir = folder;
        if (getuid() == 0) {
            m_as = "runuser -u postgres -- ";
            Shell("chown postgres " + m_dir);
        }
        if (Shell(m_as + m_bin + "/initdb --no-sync -U quobin --auth=trust -E UTF8 -D " + m_dir +
                  "/data >" + m_dir + "/initdb.log 2>&1") != 0) {
            m_problem = "initdb failed; see " + m_dir + "/initdb.log";
            return;
        }
        if (!Start()) m_problem = "the server did not start; see " + m_dir + "/server.log";
    }

    ~PostgresServer()
    {
        Stop();
        if (!m_dir.empty() && m_problem.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
        }
    }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Why there is no server; empty when it runs.
    const std::string& problem() const { return m_problem; }
    std::string Uri() const { return "postgresql:///postgres?host=" + m_dir + "&user=quobin"; }

    bool Start()
    {
        m_running = Shell(m_as + m_bin + "/pg_ctl -w -s -D " + m_dir + "/data -l " + m_dir +
                          "/server.log -o \"-k " + m_dir +
                          " -c listen_addresses=" + (m_durable ? "" : " -c fsync=off") +
                          "\" start >/dev/null 2>&1") == 0;
        return m_running;
    }
    void Stop()
    {
        if (!m_running) return;
        Shell(m_as + m_bin + "/pg_ctl -w -s -m immediate -D " + m_dir + "/data stop >/dev/null 2>&1");
        m_running = false;
    }

private:
    static int Shell(const std::string& command) { return std::system(command.c_str()); }

    static std::string FindBinaries()
    {
        std::string best;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
            const std::string bin = entry.path().string() + "/bin";
            if (std::filesystem::exists(bin + "/initdb") && bin > best) best = bin;
        }
        return best;
    }

    std::string m_bin;
    std::string m_dir;
    std::string m_as;
    std::string m_problem;
    bool m_running = false;
    bool m_durable = false;
};

} // namespace support
