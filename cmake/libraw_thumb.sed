# Every free of the held thumbnail leaves its pointer null.
s/free(T\.thumb);/{ free(T.thumb); T.thumb = 0; }/
