// The script block of an action: the base part and the fields of the
// action's list.
#include <string>

#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/script/ScriptValues.h"

HRESULT ReadFieldScript(SPPS_ACTION_BASE& action, CDataChunk& chunk, RecordFieldList fields)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "BaseInfo")) {
            action.SPPS_ACTION_BASE::CreateFromScript(chunk);
            continue;
        }
        if (ScriptKeyIs(line, "}")) break;
        ReadScriptField(chunk, line, &action, fields);
    }
    return 0;
}
