// A module that loads but lacks the entry the host calls: the host must refuse it.
extern "C" __attribute__((visibility("default"))) int SolvaneNotTheEntry()
{
    return 0;
}
