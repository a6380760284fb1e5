#include "core/catalogues/catalogues.h"

#include "core/catalogues/choice_lists.h"
#include "core/catalogues/cw_table.h"
#include "core/catalogues/macro_functions.h"
#include "core/catalogues/voice_vocabulary.h"

namespace kelp {

void buildCatalogues() {
    MacroFunctionCatalogue::instance();
    VoiceVocabulary::instance();
    CwTable::instance();
    macroList();
    totResetPointList();
    tailMessageList();
    portSetList();
    schedulerDayList();
    schedulerOccurrenceList();
    schedulerHourList();
    schedulerMinuteList();
    idExtrasList();
    dtmfDigitList();
}

}  // namespace kelp
