#include "cli/run.h"

#include <memory>
#include <optional>

#include "app/simulator_option.h"
#include "capture/capturing_connection.h"
#include "cli/options.h"
#include "cli/session.h"
#include "modbus/exception_names.h"

namespace cli {
namespace {

constexpr std::string_view kProgram = "brackwater-cli: ";

/// What the command line names: the references in order, and for a write their values.
struct Targets {
    std::vector<Reference> references;
    std::vector<Assignment> assignments;
};

bool ParseTargets(const Options& options, Targets& targets, std::string& error) {
    for (const std::string& item : options.items) {
        const bool write = options.command == Command::Write;
        const auto equals = item.find('=');
        if (write == (equals == std::string::npos)) {
            error = write ? "\"" + item + "\": write takes REF=VALUE" : "\"" + item + "\": a value is only for write";
            return false;
        }
        auto references = ParseReferences(item.substr(0, equals), error);
        if (!references) return false;
        for (const Reference& reference : *references) {
            if (write && reference.space == Space::DiscreteInputs) {
                error = reference.name + ": an input bit cannot be written";
                return false;
            }
            uint16_t value = 0;
            if (write && !ParseValue(std::string_view(item).substr(equals + 1), reference.space, value, error))
                return false;
            targets.references.push_back(reference);
            if (write) targets.assignments.push_back({reference, value});
        }
    }
    return true;
}

/// One exchange: the rows of the answered requests, messages for exceptions;
/// the exit status it earns.
int ExchangeOnce(Session& session, const Targets& targets, const std::vector<Request>& requests, std::vector<Row>& rows,
                 std::ostream& err) {
    std::vector<Answer> answers;
    std::string error;
    if (!session.Exchange(requests, answers, error)) {
        err << kProgram << error << "\n";
        return kExitNoReply;
    }
    ValueTable values;
    int status = kExitAnswered;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const Request& request = requests[i];
        if (answers[i].kind == Answer::Kind::Exception) {
            err << request.what << ": exception " << modbus::DescribeException(answers[i].exception) << "\n";
            status = kExitException;
            continue;
        }
        std::vector<uint16_t> read = request.values;
        if (read.empty()) {  // a read: the values come with the reply
            auto decoded = ReadValues(request, answers[i].pdu, error);
            if (!decoded) {
                err << kProgram << error << "\n";
                return kExitNoReply;
            }
            read = std::move(*decoded);
        }
        for (std::size_t k = 0; k < read.size(); ++k) values[{request.space, request.start + k}] = read[k];
    }
    rows.clear();
    for (const Reference& reference : targets.references) {
        const auto found = values.find({reference.space, reference.address});
        if (found != values.end()) rows.push_back({reference, found->second});
    }
    return status;
}

int Poll(Session& session, const Options& options, const Targets& targets, const std::vector<Request>& requests,
         std::ostream& out, std::ostream& err) {
    int status = kExitAnswered;
    for (int64_t n = 0; !options.count || n < *options.count; ++n) {
        if (n > 0) session.Idle(std::chrono::milliseconds(options.intervalMs));
        if (Interrupted()) break;
        std::vector<Row> rows;
        const int once = ExchangeOnce(session, targets, requests, rows, err);
        if (once == kExitNoReply) return Interrupted() ? status : once;
        status = std::max(status, once);
        if (options.format == Format::Table && n > 0) out << "\n";
        out << FormatRows(rows, options.format, options.format == Format::Table || n == 0) << std::flush;
    }
    return status;
}

int Run(const Options& options, const Targets& targets, std::ostream& out, std::ostream& err) {
    app::EmbeddedSimulator simulator;
    SessionSettings settings{options.server, options.port, options.timeoutMs, options.retries};
    if (options.simulator.wanted) {
        std::string message;
        if (!simulator.Start(options.simulator, message)) {
            err << message << "\n";
            return kExitNoReply;
        }
        settings.server = simulator.Server().server;
        settings.port = simulator.Server().port;
    }
    std::unique_ptr<capture::TcpCapture> capture;
    Session::ConnectionMaker maker;
    if (!options.capture.empty()) {
        std::string error;
        capture = capture::TcpCapture::Create(options.capture, error);
        if (!capture) {
            err << kProgram << error << "\n";
            return kExitUsage;
        }
        maker = [&](TestData& data, TestWindowServices& window) {
            return capture::MakeCapturingConnection(data, window, *capture);
        };
    }
    Session session(settings, maker);
    std::string error;
    if (!session.Connect(error)) {
        err << kProgram << error << "\n";
        return kExitNoReply;
    }
    const auto requests =
        options.command == Command::Write ? PlanWrites(targets.assignments) : PlanReads(targets.references);
    if (options.command == Command::Poll) return Poll(session, options, targets, requests, out, err);
    std::vector<Row> rows;
    const int status = ExchangeOnce(session, targets, requests, rows, err);
    if (status != kExitNoReply) out << FormatRows(rows, options.format);
    return status;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<Options> options = ParseOptions(arguments, error);
    Targets targets;
    if (options && options->command == Command::Help) {
        out << HelpText();
        return kExitAnswered;
    }
    if (options && options->command == Command::Version) {
        out << "brackwater-cli " << BRACKWATER_VERSION << "\n";
        return kExitAnswered;
    }
    if (!options || !ParseTargets(*options, targets, error)) {
        err << kProgram << error << "\nTry 'brackwater-cli --help'.\n";
        return kExitUsage;
    }
    return Run(*options, targets, out, err);
}

}  // namespace cli
