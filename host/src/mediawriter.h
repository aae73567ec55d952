// Where the recorder puts a recording's media. A writer is made for each recording and
// tells, for every frame it takes, where the frame begins; the index records that.
#ifndef __VDR_MEDIAWRITER_H
#define __VDR_MEDIAWRITER_H

#include <stdint.h>
#include <sys/types.h>

class cRecording;

class cMediaWriter {
public:
  virtual ~cMediaWriter() {}
  // Takes frame Index (an I-frame when Independent) and gives its media file number and
  // byte offset, which grow with the frames; false when the media cannot be written.
  virtual bool PutFrame(int Index, bool Independent, uint16_t &FileNumber, off_t &FileOffset) = 0;
};

typedef cMediaWriter *(*tMediaWriterFactory)(const cRecording *Recording);

// Makes the writers of the recordings that start from now on; null gives the default,
// which writes no media and hands out byte offsets of a plausible stream.
void SetMediaWriterFactory(tMediaWriterFactory Factory);
cMediaWriter *NewMediaWriter(const cRecording *Recording);

#endif
