// "Импорт ADIF..." and "Экспорт ADIF...": a file dialog, the work on a
// worker thread with a data context of its own under a progress window with
// Cancel, and the summary in a message box. The import and export
// themselves are those of kavo-tool (adif/adif_import.h, adif_export.h).
#pragma once

#include "app/procedure_registry.h"

namespace kavo {

void ImportADIF(const ProcedureContext& context);
void ExportADIF(const ProcedureContext& context);

}  // namespace kavo
