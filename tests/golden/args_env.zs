# args: --keep-going in/ -o out.png -e -- --plugin
# status: 1
# The script's arguments (zorl's own options may still follow the script;
# after -- every word is the script's), the environment, what exists.
print(args, len(args), type(args[0]))
print(getenv("ZORL_NO_SUCH_VARIABLE"), getenv("PATH") != empty, getenv("A\x00B"))
MakeDir("d/e")
WriteFile("d/f.txt", "x")
print(exists("d"), exists("d/e"), exists("d/f.txt"), exists("d/g"), exists("d/f.txt/x"), exists(""), exists("d\x00"))
print(exists(5))
print(getenv(["PATH"]))
print("the batch goes on")
