// The render service as the qv-virtual-printer program uses it: started on a
// directory and attached to the printer's engine, telling on standard output
// which picture it wrote ("render FILE WxH, NOTES") or why it could not
// ("render error: ...").
//
// Thread-safe as CRenderService; the lines come from the render thread, each
// written whole.
#ifndef QV_VIRTUAL_PRINTER_RENDER_RENDER_REPORT_H_
#define QV_VIRTUAL_PRINTER_RENDER_RENDER_REPORT_H_

#include <filesystem>
#include <memory>
#include <string>

#include "virtual_printer/printer_engine.h"
#include "virtual_printer/render/render_service.h"

namespace qvvp {

// Null with the reason in `error` when rendering cannot start.
std::unique_ptr<CRenderService> StartRenderingTo(const std::string& directory,
                                                 PrinterEngine& engine, std::string* error);

// Writes the first receipt the service rendered (or, when none was cut, the
// paper so far) to `file` once everything posted is rendered. Returns an
// empty string, or why there is no picture.
std::string SaveFirstReceipt(CRenderService& service, const std::filesystem::path& file);

// "render: 3 images, 2 commands drawn as nothing (ESC 0C x2), 0 symbols
// refused, 0 bytes lost".
std::string RenderSummary(const RenderStats& stats);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_RENDER_REPORT_H_
