// The gate effect with its editor: what the library's entry hands a host. It adds no state of
// its own; it makes the editor, passes every level change on to it and names itself.
#pragma once

#include "gate/OvrinStepveilBase.h"

class OvrinStepveil : public OvrinStepveilBase {
public:
    explicit OvrinStepveil(audioMasterCallback callback);
    ~OvrinStepveil() override;

    // Stores the level as the gate does, then lets the editor show it. Runs on whatever
    // thread the host sets parameters on.
    void setParameter(int32 index, float value) override;
    bool getEffectName(char* text) override;
    bool getProductString(char* text) override;
};
