// A launcher's command line is outside input.
#include "FuzzSupport.h"
#include "app/core/CommandLineHandOff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString line = Fuzz::text(data, size);
    (void)IsHandOffCommandLine(line);
    CommandLineHandOff handOff;
    AppError error;
    if (ParseHandOff(line, &handOff, &error)) {
        const QString rebuilt =
            handOff.connectionString + u'$' + handOff.userName + u'$' + handOff.password + u'$';
        Fuzz::check(line.startsWith(rebuilt), "fields are not the line's first three pieces");
        Fuzz::check(!handOff.connectionString.contains(u'$') && !handOff.userName.contains(u'$') &&
                        !handOff.password.contains(u'$'),
                    "a field holds a $");
    } else {
        Fuzz::check(!error.description.isEmpty(), "failure without a description");
    }
    (void)JoinCommandLine(line.split(u' '));
    return 0;
}
