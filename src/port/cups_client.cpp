#include "port/cups_client.h"

#include <cups/cups.h>

#include <algorithm>
#include <memory>

namespace quillet::port {
namespace {

// A scheduler that does not accept the connection by then is not there; one that takes longer
// than this over any one request has stopped answering.
constexpr int kConnectMs = 5000;
constexpr double kRequestSeconds = 10.0;
// Raw jobs go in pieces: each write is bounded by the request time-out.
constexpr std::size_t kWritePiece = 64 * 1024;

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpClose>;

struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

std::string LastError() {
    const char* text = cupsLastErrorString();
    return text && *text ? text : ippErrorString(cupsLastError());
}

// Nothing when the scheduler cannot be reached; `why` then says where it was looked for.
Http Connect(std::string& why) {
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectMs, nullptr);
    if (!http) {
        why = "the print service (CUPS) is not running or not reachable at " + CupsServerText() +
              " (" + LastError() + ")";
        return nullptr;
    }
    // No callback: a request that stalls this long fails instead of waiting on.
    httpSetTimeout(http, kRequestSeconds, nullptr, nullptr);
    return Http(http);
}

std::string PrinterUri(const std::string& queue) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.c_str());
    return uri;
}

std::string Text(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (!attribute)
        return {};
    std::string text;
    for (int i = 0; i < ippGetCount(attribute); ++i) {
        const char* value = ippGetString(attribute, i, nullptr);
        if (value && *value)
            text += (text.empty() ? "" : ", ") + std::string(value);
    }
    return text;
}

int Number(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ENUM);
    return attribute ? ippGetInteger(attribute, 0) : 0;
}

const char* const kQueueAttributes[] = {"printer-name", "device-uri", "printer-state",
                                        "printer-state-message", "printer-is-accepting-jobs"};

CupsQueue QueueFrom(ipp_t* attributes) {
    CupsQueue queue;
    queue.name = Text(attributes, "printer-name");
    queue.deviceUri = Text(attributes, "device-uri");
    queue.state = Number(attributes, "printer-state");
    queue.message = Text(attributes, "printer-state-message");
    ipp_attribute_t* accepting =
        ippFindAttribute(attributes, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    queue.accepting = !accepting || ippGetBoolean(accepting, 0);
    return queue;
}

std::vector<CupsQueue> AllQueues(http_t* http, bool& ok) {
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kQueueAttributes)), nullptr, kQueueAttributes);
    const Ipp response(cupsDoRequest(http, request, "/"));
    std::vector<CupsQueue> queues;
    // No queues at all is "not found", not a failure.
    ok = response || cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
    if (!response)
        return queues;
    // The answer is one group of attributes per queue; each group is copied out on its own.
    ipp_t* one = ippNew();
    auto flush = [&] {
        if (ippGetCount(ippFindAttribute(one, "printer-name", IPP_TAG_NAME)) > 0)
            queues.push_back(QueueFrom(one));
        ippDelete(one);
        one = ippNew();
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a;
         a = ippNextAttribute(response.get())) {
        if (ippGetGroupTag(a) != IPP_TAG_PRINTER) {
            flush();
            continue;
        }
        ippCopyAttribute(one, a, 0);
    }
    flush();
    ippDelete(one);
    const char* fallback = cupsGetDefault2(http);
    for (CupsQueue& queue : queues)
        queue.isDefault = fallback && queue.name == fallback;
    return queues;
}

} // namespace

std::string CupsServerText() {
    const char* server = cupsServer();
    if (!server)
        return "localhost";
    if (server[0] == '/')
        return server;
    return std::string(server) + ":" + std::to_string(ippPort());
}

std::string QueueStateText(const CupsQueue& queue) {
    std::string text = queue.state == IPP_PSTATE_STOPPED      ? "stopped"
                       : queue.state == IPP_PSTATE_PROCESSING ? "printing"
                                                              : "idle";
    if (!queue.accepting)
        text += ", rejecting jobs";
    return text;
}

CupsQueueReply FindCupsQueue(const std::string& name) {
    CupsQueueReply reply;
    const Http http = Connect(reply.why);
    if (!http) {
        reply.reach = CupsReach::NoScheduler;
        return reply;
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 PrinterUri(name).c_str());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kQueueAttributes)), nullptr, kQueueAttributes);
    const Ipp response(cupsDoRequest(http.get(), request, "/"));
    if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
        reply.reach = CupsReach::NotFound;
        bool ok = false;
        const auto queues = AllQueues(http.get(), ok);
        std::string names;
        for (const CupsQueue& queue : queues)
            names += (names.empty() ? "" : ", ") + queue.name;
        reply.why =
            "the print service at " + CupsServerText() + " has no queue '" + name + "'" +
            (names.empty() ? std::string("; it has no queues at all") : "; its queues: " + names);
        return reply;
    }
    if (!response || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        reply.reach = CupsReach::Refused;
        reply.why = "the print service did not describe queue '" + name + "': " + LastError();
        return reply;
    }
    reply.queue = QueueFrom(response.get());
    if (reply.queue.name.empty())
        reply.queue.name = name;
    return reply;
}

CupsListReply ListCupsQueues() {
    CupsListReply reply;
    const Http http = Connect(reply.why);
    if (!http)
        return reply;
    reply.queues = AllQueues(http.get(), reply.reached);
    if (!reply.reached)
        reply.why = "the print service did not list its queues: " + LastError();
    return reply;
}

CupsSubmitReply SubmitCupsJob(const std::string& queue, const std::string& title,
                              std::span<const std::uint8_t> bytes) {
    CupsSubmitReply reply;
    const Http http = Connect(reply.why);
    if (!http)
        return reply;
    const int id = cupsCreateJob(http.get(), queue.c_str(), title.c_str(), 0, nullptr);
    if (id <= 0) {
        reply.why = "the print service refused the job: " + LastError();
        return reply;
    }
    std::string failure;
    if (cupsStartDocument(http.get(), queue.c_str(), id, title.c_str(), CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE) {
        failure = LastError();
    } else {
        for (std::size_t at = 0; at < bytes.size() && failure.empty(); at += kWritePiece) {
            const std::size_t piece = std::min(kWritePiece, bytes.size() - at);
            if (cupsWriteRequestData(http.get(), reinterpret_cast<const char*>(bytes.data() + at),
                                     piece) != HTTP_STATUS_CONTINUE)
                failure = LastError();
        }
        if (cupsFinishDocument(http.get(), queue.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE &&
            failure.empty())
            failure = LastError();
    }
    if (!failure.empty()) {
        // Half a job must not print: it goes again.
        cupsCancelJob2(http.get(), queue.c_str(), id, 0);
        reply.why = "the print service did not take the job's bytes: " + failure;
        return reply;
    }
    reply.jobId = id;
    return reply;
}

CupsJobReply CupsJobState(long jobId) {
    CupsJobReply reply;
    const Http http = Connect(reply.why);
    if (!http)
        return reply;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/jobs/%ld", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    static const char* const attributes[] = {"job-state", "job-state-reasons"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(attributes)), nullptr, attributes);
    const Ipp response(cupsDoRequest(http.get(), request, "/"));
    if (!response || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        reply.why =
            "the print service did not report job " + std::to_string(jobId) + ": " + LastError();
        return reply;
    }
    reply.reached = true;
    reply.state = Number(response.get(), "job-state");
    reply.reasons = Text(response.get(), "job-state-reasons");
    return reply;
}

std::string CancelCupsJob(const std::string& queue, long jobId) {
    std::string why;
    const Http http = Connect(why);
    if (!http)
        return why;
    if (cupsCancelJob2(http.get(), queue.c_str(), static_cast<int>(jobId), 0) >
        IPP_STATUS_OK_EVENTS_COMPLETE)
        return LastError();
    return {};
}

} // namespace quillet::port
