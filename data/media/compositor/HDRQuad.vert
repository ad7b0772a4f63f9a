#version 120
// Full-screen quad of a compositor pass: position through the quad's matrix (which flips render
// textures where the render system needs it), texture coordinates as given.
uniform mat4 worldViewProj;
varying vec2 uv;

void main()
{
    gl_Position = worldViewProj * gl_Vertex;
    uv = gl_MultiTexCoord0.xy;
}
