#pragma once
// DDE through DDEML: the utility's execute server, and a one-shot execute
// client for the forwarding start, the stand-in host and the tests.
#include <functional>
#include <string>
#include <string_view>

namespace kes::win {

class DdeServer {
  public:
    // Answers whether the request was accepted.
    using ExecuteHandler = std::function<bool(const std::string& command)>;

    DdeServer() = default;
    ~DdeServer();
    DdeServer(const DdeServer&) = delete;
    DdeServer& operator=(const DdeServer&) = delete;

    // Registers the service on the calling thread. Executes on the topic reach
    // the handler as UTF-8, on this thread; a handler that fails still
    // acknowledges them.
    bool Start(std::string_view service, std::string_view topic, ExecuteHandler onExecute);
    void Stop();
    bool Running() const { return instance_ != 0; }

    // Called from the DDEML callback on the server's thread.
    void* OnTransaction(unsigned type, void* hszTopic, void* data);

  private:
    unsigned long instance_ = 0;
    void* service_ = nullptr;
    void* topic_ = nullptr;
    ExecuteHandler onExecute_;
};

enum class DdeCharset { Ansi, Unicode };

struct DdeExecuteOptions {
    unsigned long transactionTimeoutMs = 3000;
    // How long to keep trying to connect while the server may still be starting.
    unsigned long connectRetryMs = 0;
    DdeCharset charset = DdeCharset::Ansi;
};

// One conversation with one execute; true when the server acknowledged it.
bool DdeExecute(std::string_view service, std::string_view topic, std::string_view command,
                const DdeExecuteOptions& options = {});

}  // namespace kes::win
