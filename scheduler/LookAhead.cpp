#include "LookAhead.h"

namespace LookAhead {

void Prepare(TCommandsArray& commands)
{
    for (TCommand& command : commands)
        command.PreviewCounter = command.Counter;
}

int ResolveNextEvent(TCommandsArray& commands, int index, double offset)
{
    const int count = int(commands.size());
    while (index >= 0 && index < count) {
        TCommand& command = commands[size_t(index)];
        if (command.Kind != KindJump) {
            command.NextTime = offset + command.Time;
            return index;
        }
        // Each pass moves the run's start by the jump's distance back in time.
        const double shift = command.Time - command.Params.value(0).toDouble();
        if (command.PreviewCounter < command.Loops) {
            if (command.JumpTo == index) {
                // Every remaining pass lands here again: take them all at once.
                offset += double(command.Loops - command.PreviewCounter) * shift;
                command.PreviewCounter = 0;
                ++index;
                continue;
            }
            ++command.PreviewCounter;
            offset += shift;
            index = command.JumpTo;
            continue;
        }
        command.PreviewCounter = 0;
        ++index;
    }
    return -1;
}

} // namespace LookAhead
