#pragma once
// DDE through DDEML: the utility's execute server, and a one-shot execute
// client for the stand-in host and the tests; the forwarding start's client
// speaks the WM_DDE_* messages itself.
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

// The same with a server on the thread that owns the top-level window of class
// `ownerClass`, in ANSI. DDEML's connect sends its initiate to every top-level
// window and waits on each, so one whose thread has stopped pumping holds it
// until that thread goes on; here only the owner thread's windows are asked,
// each for at most the transaction timeout. The charset option is not used.
bool DdeExecuteOnThreadOf(const wchar_t* ownerClass, std::string_view service,
                          std::string_view topic, std::string_view command,
                          const DdeExecuteOptions& options = {});

}  // namespace kes::win
