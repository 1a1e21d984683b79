# args: --keep-going
# status: 1
# SetThreads: the threads of the conversions over large buffers.
print(SetThreads(2))
print(SetThreads(1))
SetThreads(257)
SetThreads(-1)
SetThreads("two")
print(SetThreads(0) >= 1)
