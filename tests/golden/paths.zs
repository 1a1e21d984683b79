# args: --keep-going
# status: 1
# Names: paths split as on POSIX, joined, and text replaced and split.
print(basename("a/b.tar.gz"), dirname("a/b.tar.gz"), stem("a/b.tar.gz"), ext("a/b.tar.gz"))
print(basename("a/b/"), dirname("a/b/"), dirname("/b"), dirname("b"), stem(".rc"), ext(".rc"), ext("a.d/b"), ext("a."), stem("..x"))
print(joinpath("out", "x", "y.png"), joinpath("a/", "", "b"), joinpath("a", "/b", "c"), joinpath(""))
print(replace("a.dcm.dcm", ".dcm", ".png"), replace("abc", "", "-"), replace("aaa", "aa", "b"), replace("", "x", "y"))
print(split(" a b\t c \n"), split(""), split("a,b,,c", ","), split("a::b", "::"), split("", ","))
print(startswith("abc", "ab"), startswith("ab", "abc"), startswith("a", ""), endswith("abc", "bc"), endswith("abc", "ab"))
# A folder at a time: made with its parents, listed in natural order.
MakeDir("s/deep/er")
MakeDir("s/deep")
WriteFile("s/img10.pgm", "P5 1 1 255 \x0a")
WriteFile("s/img2.pgm", "not an image")
WriteFile("s/img1.pgm", "P5 1 1 255 \x01")
WriteFile("s/img01.pgm", "P5 1 1 255 \x01")
print(ListFiles("s/*.pgm"), ListFiles("s/*.png"), ListFiles("s/*"), ListFiles("s/img?.pgm"))
print(ListFiles("s/deep/*"), ListFiles("*/deep"), ListFiles("s/img1*"))
# A file that can't be read in the middle of a batch names itself; the
# batch goes on.
print(ReadImage("s/img1.pgm").Pixels)
print(ReadImage("s/img2.pgm").Pixels)
print(ReadImage("s/img10.pgm").Pixels)
ListFiles("missing/*.pgm")
ListFiles("s/img1.pgm/*")
MakeDir("s/img1.pgm/x")
MakeDir("")
split("a", "")
stem(5)
joinpath("a", 1)
