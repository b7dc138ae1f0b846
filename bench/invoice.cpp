// The invoice job: COUNT invoices filled from one template in one process, each saved as its own
// workbook (or web page), on THREADS threads that each have their own application and fillers
// and take the invoices one by one.
// The threads share one template cache, so the template is read once; --uncached reads it for
// every invoice. --unflushed leaves the flushing of saves to the system, as the peers do. --job
// makes each invoice as a print job does (DoCopy of the template, DoBegin of the copy, DoEnd in
// place), the job given the cache; workbooks only.
// Prints the seconds and the reports per second as one line of JSON.
// Usage: invoice TEMPLATE OUT_FOLDER COUNT THREADS xlsx|html [--uncached] [--unflushed] [--job]
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "data/MemoryRecordset.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/files/FileFormats.h"
#include "host/files/NewApplication.h"
#include "host/xlsx/DeflaterPool.h"
#include "host/xlsx/TemplateCache.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintBat.h"

using namespace tavlora;

namespace {

constexpr const char* kPlaceholders[] = {"InvoiceNo", "InvoiceDate", "DueDate",     "OrderNo",     "Reference",
                                         "Terms",     "Currency",    "Customer",    "Street",      "City",
                                         "Zip",       "Country",     "VatId",       "Contact",     "Phone",
                                         "Email",     "Seller",      "SellerStreet", "SellerCity", "SellerBank"};
constexpr int kLines = 30;

// The same values as invoice_data in invoice_inputs.py.
std::string placeholderValue(const std::string& name, int n) {
    char text[64];
    if (name == "InvoiceNo") std::snprintf(text, sizeof text, "INV-%06d", n);
    else if (name == "InvoiceDate") std::snprintf(text, sizeof text, "2024-%02d-%02d", n % 12 + 1, n % 28 + 1);
    else std::snprintf(text, sizeof text, "%s %d", name.c_str(), n);
    return text;
}

std::shared_ptr<data::Recordset> invoiceLines(int n) {
    std::vector<data::MemoryRecordset::Row> rows;
    for (int k = 1; k <= kLines; ++k) {
        int qty = (n * 7 + k * 3) % 20 + 1;
        double price = ((n * 13 + k * 17) % 500) / 4.0 + 0.5;
        char product[32];
        std::snprintf(product, sizeof product, "Product %03d", (n + k * 11) % 1000);
        rows.push_back({com::Variant(static_cast<int32_t>(k)), com::Variant(std::string(product)),
                        com::Variant(static_cast<int32_t>(qty)), com::Variant(price), com::Variant(qty * price)});
    }
    return std::make_shared<data::MemoryRecordset>(
        std::vector<std::string>{"line", "product", "qty", "price", "amount"}, std::move(rows));
}

void fillSheet(tmplbat::CExcelTmplPrintBat& filler, int n) {
    if (!filler.DoA_Begin("Invoice", true)) throw std::runtime_error("DoA_Begin failed");
    for (const char* name : kPlaceholders)
        if (!filler.DoA_ReplaceWhiteDot(name, placeholderValue(name, n)))
            throw std::runtime_error(std::string("no placeholder %") + name + "%");
    if (!filler.DoA_OutputRst(invoiceLines(n))) throw std::runtime_error("DoA_OutputRst failed");
    if (!filler.DoA_End()) throw std::runtime_error("DoA_End failed");
}

void fillInvoice(host::Application& application, const std::string& templatePath, const std::string& out, int n,
                 bool webPage) {
    auto workbook = application.open(templatePath);
    auto filler = tmplbat::CExcelTmplPrintBat::create();
    filler->setCurWk(workbook);
    fillSheet(*filler, n);
    workbook->saveAs(out, webPage ? host::fileformat::kHtml : host::fileformat::kDefault);
    workbook->close();
}

void fillInvoiceByJob(const host::files::FileOptions& options, const std::string& templatePath, const std::string& out,
                      int n) {
    auto job = printjob::CExcelBatDo::create();
    job->setFileOptions(options);
    if (!job->DoCopy(templatePath, out)) throw std::runtime_error("DoCopy failed");
    if (!job->DoBegin(out)) throw std::runtime_error("DoBegin failed");
    auto filler = tmplbat::CExcelTmplPrintBat::create();
    filler->setCurBatObj(job);
    fillSheet(*filler, n);
    if (!job->DoEnd()) throw std::runtime_error("DoEnd failed");
}

// Invoices by number until count, each thread taking the next one not yet taken, with its own
// application and objects. A share fixed in advance (every other invoice) left one thread idle
// at the end whenever the other had been held up, by the template's first read or by other work
// on the machine; taking the next number is what a report server's queue does.
void fillShare(const std::string& templatePath, const std::string& folder, std::atomic<int>& next, int count,
               bool webPage, bool byJob, const host::files::FileOptions& options, std::exception_ptr& failure) {
    try {
        auto application = host::files::newApplication(options);
        for (int n = next++; n < count; n = next++) {
            std::string out = folder + "/invoice_" + std::to_string(n) + (webPage ? ".htm" : ".xlsx");
            if (byJob) fillInvoiceByJob(options, templatePath, out, n);
            else fillInvoice(*application, templatePath, out, n, webPage);
        }
    } catch (...) {
        failure = std::current_exception();
        next = count;  // the others stop too: the run has failed
    }
}

}  // namespace

int main(int argc, char** argv) {
    host::files::FileOptions options;
    options.templates = std::make_shared<host::xlsx::TemplateCache>();
    // A print job makes an application for each invoice: the process's pool keeps the compressors.
    options.compressors = std::make_shared<host::xlsx::DeflaterPool>();
    bool byJob = false;
    for (; argc > 6; --argc) {
        std::string flag = argv[argc - 1];
        if (flag == "--uncached") options.templates.reset();
        else if (flag == "--unflushed") options.flushSaves = false;
        else if (flag == "--job") byJob = true;
        else break;
    }
    const bool webPage = argc == 6 && std::string(argv[5]) == "html";
    if (argc != 6 || (byJob && webPage)) {
        std::fprintf(stderr,
                     "usage: invoice TEMPLATE OUT_FOLDER COUNT THREADS xlsx|html [--uncached] [--unflushed] [--job]\n"
                     "       (--job makes workbooks only)\n");
        return 2;
    }
    const int count = std::atoi(argv[3]);
    const int threads = std::max(1, std::atoi(argv[4]));
    bench::Stopwatch clock;
    std::vector<std::exception_ptr> failures(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    std::atomic<int> next{0};
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(fillShare, std::string(argv[1]), std::string(argv[2]), std::ref(next), count, webPage,
                             byJob, std::cref(options), std::ref(failures[static_cast<size_t>(t)]));
    for (std::thread& worker : workers) worker.join();
    for (const std::exception_ptr& failure : failures) {
        if (!failure) continue;
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "invoice: %s\n", e.what());
            return 1;
        }
    }
    double seconds = clock.seconds();
    std::printf("{\"seconds\": %.4f, \"reports_per_second\": %.1f}\n", seconds, count / seconds);
    return 0;
}
